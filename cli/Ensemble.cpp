#include "Ensemble.h"

#include "Commands.h"
#include "base/CellName.h"
#include "base/Numbers.h"
#include "engine/Ensemble.h"
#include "engine/Outputs.h"
#include "engine/Parameters.h"
#include "engine/SeasonSummary.h"
#include "io/SimConfig.h"
#include "io/SpreadsheetCommands.h"
#include "io/TextFiles.h"

#include <algorithm>

namespace tulo::cli {

namespace {

struct SeriesColumn {
    const OutputVariable* variable = nullptr;
    int day = 0;
    std::string title; // "NAME@DOY"
};

// "LAI@200,AGB@250": each name one of the daily series, each day one the season simulates.
std::optional<std::vector<SeriesColumn>> ParseSeries(const std::string& text, const CompiledInputs& inputs,
                                                     UserInterface& ui) {
    std::vector<SeriesColumn> columns;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find(',', start), text.size());
        const std::string item(Trim(std::string_view(text).substr(start, end - start)));
        start = end + 1;
        const std::size_t at = item.find('@');
        const auto& variables = DailyOutputVariables();
        const auto found = std::find_if(variables.begin(), variables.end(), [&](const OutputVariable& v) {
            return at != std::string::npos && v.name == std::string_view(item).substr(0, at);
        });
        const std::int32_t day =
            at == std::string::npos ? 0 : ParseInt32(std::string_view(item).substr(at + 1)).value_or(0);
        if (found == variables.end() || found->precision == OutputPrecision::Text || day == 0) {
            ui.message("--series: " + QuoteValue(item) +
                       " is not NAME@DOY with NAME a numeric column of the --daily output (LAI, AGB, ...).");
            return std::nullopt;
        }
        if (day < inputs.control.InitialDate || day >= inputs.control.FinalDate) {
            ui.message("--series: DOY " + std::to_string(day) + " of " + QuoteValue(item) +
                       " is not a simulated day (" + std::to_string(inputs.control.InitialDate) + " to " +
                       std::to_string(inputs.control.FinalDate - 1) + ").");
            return std::nullopt;
        }
        columns.push_back({&*found, day, std::string(found->name) + "@" + std::to_string(day)});
        if (end == text.size()) break;
    }
    return columns;
}

struct SetsTable {
    std::vector<ParameterSet> sets;
    std::vector<int> rows;             // the sheet row of each set
    std::vector<std::string> problems; // a problem of the row's own values, or empty
};

// Row 1 names registry ids; every later row with any text is a set. An empty cell keeps the
// configuration's value.
std::optional<SetsTable> ReadSets(const Grid& grid, const std::string& source, UserInterface& ui) {
    const UsedBlock block = FindUsedBlock(grid);
    std::vector<int> index(static_cast<std::size_t>(block.cols) + 1, -1);
    for (int c = 1; c <= block.cols; ++c) {
        const std::string_view id = Trim(grid.text(1, c));
        index[static_cast<std::size_t>(c)] = ParameterIndex(id);
        if (index[static_cast<std::size_t>(c)] < 0) {
            // Only a first column that names no parameter can be an index; a parameter's own 0, 1, 2
            // beside another's 1, 2, 3 are a design.
            if (const auto extra = c == 1 ? ExtraIndexColumn(grid) : std::nullopt) {
                ui.message(source + " has " + *extra + ".");
                return std::nullopt;
            }
            ui.message(source + ", cell " + CellName(1, c) + ": " + QuoteValue(id) +
                       " is not a crop parameter; row 1 must name parameters by their ids "
                       "(tulo-cli parameters lists them).");
            return std::nullopt;
        }
    }
    SetsTable table;
    for (int r = 2; r <= block.rows; ++r) {
        ParameterSet set;
        std::string problem;
        bool any = false;
        for (int c = 1; c <= block.cols; ++c) {
            const std::string& text = grid.text(r, c);
            if (Trim(text).empty()) continue;
            any = true;
            const auto value = ParseNumber(text);
            if (!value) {
                if (problem.empty())
                    problem = std::string(Trim(grid.text(1, c))) + " (cell " + CellName(r, c) +
                              "): " + QuoteValue(text) + " is not a number";
                continue;
            }
            set.push_back({index[static_cast<std::size_t>(c)], *value});
        }
        if (!any) continue;
        table.sets.push_back(std::move(set));
        table.rows.push_back(r);
        table.problems.push_back(std::move(problem));
    }
    return table;
}

} // namespace

int Ensemble(const EnsembleOptions& options, std::ostream& out, UserInterface& ui) {
    if (options.out) {
        const NamedPath output{"--out", *options.out};
        const NamedPath inputs[] = {{"the configuration", options.config},
                                    {"the --sets table", options.sets}};
        if (const auto refusal = OutputReplacesInput(output, inputs)) {
            ui.message(*refusal);
            return kFailure;
        }
    }
    FormModel form;
    int status = kSuccess;
    const auto compiled = CompileConfig(options.config, form, ui, status);
    if (!compiled) return status;
    const CompiledInputs& inputs = *compiled;

    Grid grid;
    std::string source;
    if (ImportWorkbookSheet(grid, options.sets, ui, {options.sheet, "--sheet", std::nullopt, false},
                            &source) != ImportOutcome::Imported)
        return kFailure;
    const auto table = ReadSets(grid, source, ui);
    if (!table) return kInvalidInputs;

    std::vector<SeriesColumn> series;
    if (options.series) {
        auto parsed = ParseSeries(*options.series, inputs, ui);
        if (!parsed) return kInvalidInputs;
        series = std::move(*parsed);
    }
    const SeasonReader read = [&](const RunState& run) {
        if (series.empty()) return SummaryCells(Summarize(run));
        std::vector<std::string> cells;
        cells.reserve(series.size());
        for (const SeriesColumn& column : series)
            cells.push_back(FormatOutput(*column.variable, run, column.day));
        return cells;
    };

    // Sets whose own values are unreadable are not run; the others are, in one ensemble.
    std::vector<ParameterSet> runnable;
    for (std::size_t i = 0; i < table->sets.size(); ++i)
        runnable.push_back(table->problems[i].empty() ? table->sets[i] : ParameterSet{});
    tulo::EnsembleOptions run;
    run.threads = options.threads;
    const auto results = RunEnsemble(inputs, runnable, read, run);

    std::string csv = "row";
    if (series.empty())
        for (const std::string_view column : SummaryColumns()) csv += "," + std::string(column);
    else
        for (const SeriesColumn& column : series) csv += "," + column.title;
    csv += ",problem\n";
    const std::size_t width = series.empty() ? SummaryColumns().size() : series.size();
    bool anyFailed = false;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const std::string& problem = table->problems[i].empty() ? results[i].problem : table->problems[i];
        anyFailed |= !problem.empty();
        csv += std::to_string(table->rows[i]);
        for (std::size_t c = 0; c < width; ++c)
            csv += "," + (problem.empty() ? CsvField(results[i].cells[c]) : std::string());
        csv += "," + CsvField(problem) + "\n";
    }
    if (options.out) {
        if (const auto error = WriteFileAtomically(*options.out, csv)) {
            ui.message(*error);
            return kFailure;
        }
    } else {
        out << csv;
    }
    return anyFailed ? kInvalidInputs : kSuccess;
}

} // namespace tulo::cli
