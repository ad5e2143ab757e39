#include "EvaluateSites.h"

#include "CommandLine.h"
#include "Commands.h"
#include "EvaluationJson.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "commands/CommandTexts.h"
#include "commands/SeasonOptions.h"
#include "commands/SeasonRun.h"
#include "commands/SitesTable.h"
#include "engine/Outputs.h"
#include "engine/RunState.h"
#include "evaluation/MeasuredEvaluation.h"
#include "io/SheetImport.h"
#include "io/Workbook.h"

#include <nlohmann/json.hpp>
#include <tbb/global_control.h>
#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace tulo::cli {

namespace {

enum class MeasuredColumn { Agb, Lai, Measured };

struct Variable {
    int index = 0;      // 1 .. 6, as EvaluableVariableIndex gives it
    std::string header; // the report header
    MeasuredColumn column = MeasuredColumn::Measured;
};

std::string_view ColumnTitle(MeasuredColumn column) {
    switch (column) {
    case MeasuredColumn::Agb:
        return "agb";
    case MeasuredColumn::Lai:
        return "lai";
    case MeasuredColumn::Measured:
        break;
    }
    return "measured";
}

// AGB and LAI, the variables field books hold, have columns of their own; the other evaluable variables
// share the measured column, one of them a run of the command.
std::optional<Variable> ChooseVariable(const std::string& text) {
    std::string key(Trim(text));
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
    const std::string header = key == "AGB" ? "AGB tot (tAGB/ha)" : key == "LAI" ? "GAI (m2/m2)" : text;
    const auto index = EvaluableVariableIndex(header);
    if (!index) return std::nullopt;
    const MeasuredColumn column = *index == 2   ? MeasuredColumn::Agb
                                  : *index == 6 ? MeasuredColumn::Lai
                                                : MeasuredColumn::Measured;
    return Variable{*index, header, column};
}

const std::optional<std::filesystem::path>& MeasuredFile(const SiteRow& site, MeasuredColumn column) {
    switch (column) {
    case MeasuredColumn::Agb:
        return site.agb;
    case MeasuredColumn::Lai:
        return site.lai;
    case MeasuredColumn::Measured:
        break;
    }
    return site.measured;
}

struct SiteOutcome {
    enum class Status { Failed, Unmeasured, Evaluated } status = Status::Failed;
    std::vector<std::string> messages;
    Evaluation evaluation;
};

SiteOutcome EvaluateSite(const SiteRow& site, const Variable& variable) {
    SiteOutcome outcome;
    // A site's messages are kept to be printed in the table's order whichever site finishes first; each
    // starts with the site's row.
    Messages messages;
    const auto done = [&](SiteOutcome::Status status) {
        outcome.status = status;
        for (const Message& message : messages)
            outcome.messages.push_back(site.prefix + MessageLine(message));
        return std::move(outcome);
    };
    // A site without measurements of the variable has nothing to be evaluated on: its season is not run.
    const auto& file = MeasuredFile(site, variable.column);
    if (!file) return done(SiteOutcome::Status::Unmeasured);
    const auto season = LoadSeasonConfiguration(site.config.string(), site.season, messages);
    if (!season) return done(SiteOutcome::Status::Failed);
    const auto& changes = season->changes;
    // The run state is large; keep it off the stack.
    auto run = std::make_unique<RunState>();
    RunResults results;
    if (!RunConfiguredSeason(season->configuration, OpeningReportTicks(), *run, results,
                             {changes.weatherSource, {}}, messages)
             .outcome)
        return done(SiteOutcome::Status::Failed);

    Grid grid;
    std::string source;
    if (!ImportWorkbookSheet(
            grid, *file,
            {std::nullopt, "a sites table names no sheet: put the measurements first", std::nullopt, true},
            messages, &source))
        return done(SiteOutcome::Status::Failed);
    const TitledMeasurements table =
        ReadTitledMeasurements(grid, source, changes.year, LaterYearsOf(run->control));
    for (const std::string& message : table.messages) messages.push_back({message});
    if (!table.data) return done(SiteOutcome::Status::Failed);
    outcome.evaluation = EvaluateAgainstMeasured(*run, variable.index, *table.data);
    if (!outcome.evaluation.regression.failure.empty())
        messages.push_back({outcome.evaluation.regression.failure});
    for (const std::string& note : PairingNotes(outcome.evaluation))
        messages.push_back({source + ": " + note});
    return done(SiteOutcome::Status::Evaluated);
}

// Every site on its own form and run state, so that the results do not depend on the number of threads.
std::vector<SiteOutcome> EvaluateAll(const std::vector<SiteRow>& sites, const Variable& variable,
                                     int threads) {
    std::vector<SiteOutcome> outcomes(sites.size());
    // More threads than cores are allowed when asked for, as in every ensemble.
    std::optional<tbb::global_control> allowed;
    if (threads > 0)
        allowed.emplace(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(threads));
    tbb::task_arena arena(threads > 0 ? threads : tbb::task_arena::automatic);
    arena.execute([&] {
        tbb::parallel_for(tbb::blocked_range<std::size_t>(0, sites.size(), 1),
                          [&](const tbb::blocked_range<std::size_t>& range) {
                              for (std::size_t k = range.begin(); k != range.end(); ++k)
                                  outcomes[k] = EvaluateSite(sites[k], variable);
                          });
    });
    return outcomes;
}

void Append(FittingMatrix& pooled, const FittingMatrix& site) {
    pooled.measured.insert(pooled.measured.end(), site.measured.begin(), site.measured.end());
    pooled.simulated.insert(pooled.simulated.end(), site.simulated.begin(), site.simulated.end());
    pooled.day.insert(pooled.day.end(), site.day.begin(), site.day.end());
}

// Width of a text as a terminal shows it: one column per character.
std::size_t Columns(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::vector<std::string> IndexCells(const AgreementIndices& i, const Regression& g) {
    return {std::to_string(i.n), Plain(i.RMSE),  Plain(i.RRMSE),     Plain(i.EF),
            Plain(i.CRM),        Plain(g.slope), Plain(g.intercept), Plain(g.R2)};
}

void PrintTable(const std::vector<std::vector<std::string>>& rows, std::size_t pooledRow, std::ostream& out) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c >= widths.size()) widths.push_back(0);
            // A row's last cell may be a note as wide as it likes.
            if (c + 1 < row.size() || row.size() == rows.front().size())
                widths[c] = std::max(widths[c], Columns(row[c]));
        }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r == pooledRow) {
            std::size_t total = 0;
            for (const std::size_t w : widths) total += w + 2;
            out << std::string(total - 2, '-') << '\n';
        }
        std::string line;
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            line += rows[r][c];
            if (c + 1 < rows[r].size()) line += std::string(widths[c] - Columns(rows[r][c]) + 2, ' ');
        }
        out << line << '\n';
    }
}

// Checked before any season runs: a table without the variable's measurements evaluates nothing.
bool TableMeasures(const SitesTable& table, const Variable& variable, const std::string& option,
                   const Console& console) {
    const std::string column(ColumnTitle(variable.column));
    const bool hasColumn = variable.column == MeasuredColumn::Agb   ? table.agbColumn
                           : variable.column == MeasuredColumn::Lai ? table.laiColumn
                                                                    : table.measuredColumn;
    if (hasColumn && std::any_of(table.rows.begin(), table.rows.end(), [&](const SiteRow& site) {
            return MeasuredFile(site, variable.column).has_value();
        }))
        return true;
    console.print(
        table.source +
        (hasColumn ? ": the " + column + " column names no file" : " has no " + column + " column") +
        "; --variable " + option + " evaluates each site against the measurements it names.");
    return false;
}

// Every evaluated site's pairs together, after each site's messages; whether any site failed.
bool PoolSites(const std::vector<SiteRow>& sites, const std::vector<SiteOutcome>& outcomes,
               FittingMatrix& pooled, const Console& console) {
    bool anyFailed = false;
    for (std::size_t k = 0; k < outcomes.size(); ++k) {
        const SiteRow& site = sites[k];
        const SiteOutcome& outcome = outcomes[k];
        for (const std::string& message : outcome.messages) console.print(message);
        switch (outcome.status) {
        case SiteOutcome::Status::Failed:
            anyFailed = true;
            console.print(site.prefix + "site " + QuoteValue(site.name) + " was not evaluated.");
            break;
        case SiteOutcome::Status::Unmeasured:
            break;
        case SiteOutcome::Status::Evaluated:
            Append(pooled, outcome.evaluation.matrix);
            break;
        }
    }
    return anyFailed;
}

// How many sites the pooled line holds: "all sites", or "n of m sites" when some were not evaluated, so
// that a pooled index is never taken for the whole table's.
std::string PooledSites(const std::vector<SiteOutcome>& outcomes) {
    const auto evaluated = std::count_if(outcomes.begin(), outcomes.end(), [](const SiteOutcome& outcome) {
        return outcome.status == SiteOutcome::Status::Evaluated;
    });
    if (static_cast<std::size_t>(evaluated) == outcomes.size()) return "all sites";
    return std::to_string(evaluated) + " of " + std::to_string(outcomes.size()) + " sites";
}

void PrintSitesJson(const Variable& variable, const std::vector<SiteRow>& sites,
                    const std::vector<SiteOutcome>& outcomes, const nlohmann::ordered_json& pooled,
                    std::ostream& out) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    nlohmann::ordered_json failed = nlohmann::ordered_json::array();
    nlohmann::ordered_json unmeasured = nlohmann::ordered_json::array();
    for (std::size_t k = 0; k < outcomes.size(); ++k) {
        const SiteRow& site = sites[k];
        const Evaluation& e = outcomes[k].evaluation;
        switch (outcomes[k].status) {
        case SiteOutcome::Status::Failed:
            failed.push_back({{"name", site.name}, {"row", site.row}});
            break;
        case SiteOutcome::Status::Unmeasured:
            unmeasured.push_back({{"name", site.name}, {"row", site.row}});
            break;
        case SiteOutcome::Status::Evaluated:
            rows.push_back({{"name", site.name},
                            {"row", site.row},
                            {"indices", IndicesJson(e.indices, e.regression)},
                            {"pairs", nlohmann::ordered_json(PairsJson(e.matrix))}});
            break;
        }
    }
    const nlohmann::ordered_json result = {
        {"variable", variable.header},           {"rows", rows},     {"pooled", pooled},
        {"pooled_sites", PooledSites(outcomes)}, {"failed", failed}, {"unmeasured", unmeasured}};
    out << result.dump(2) << '\n';
}

void PrintSitesTable(const Variable& variable, const SitesTable& table,
                     const std::vector<SiteOutcome>& outcomes, std::vector<std::string> pooled,
                     std::ostream& out) {
    std::vector<std::vector<std::string>> lines = {
        {"site", "n", "RMSE", "RRMSE", "EF", "CRM", "Slope", "Intercept", "R2"}};
    for (std::size_t k = 0; k < outcomes.size(); ++k) {
        const Evaluation& e = outcomes[k].evaluation;
        std::vector<std::string> line = {table.rows[k].name};
        switch (outcomes[k].status) {
        case SiteOutcome::Status::Failed:
            line.push_back("not evaluated");
            break;
        case SiteOutcome::Status::Unmeasured:
            line.push_back("no " + std::string(ColumnTitle(variable.column)) + " file");
            break;
        case SiteOutcome::Status::Evaluated:
            for (std::string& cell : IndexCells(e.indices, e.regression)) line.push_back(std::move(cell));
            break;
        }
        lines.push_back(std::move(line));
    }
    std::vector<std::string> all = {PooledSites(outcomes)};
    for (std::string& cell : pooled) all.push_back(std::move(cell));
    lines.push_back(std::move(all));
    out << "Evaluation of " << variable.header << " at the sites of " << table.source << "\n";
    PrintTable(lines, lines.size() - 1, out);
}

} // namespace

int EvaluateSites(const EvaluateSitesOptions& options, std::ostream& out, const Console& console) {
    const auto variable = ChooseVariable(options.variable);
    if (!variable) {
        console.print("--variable " + QuoteValue(options.variable) +
                      " cannot be evaluated; choose AGB, LAI or one of the report headers DVS (-), "
                      "AGB tot (tAGB/ha), AGB panicles (tAGB/ha), AGB leaves (tAGB/ha), AGB stems (tAGB/ha), "
                      "GAI (m2/m2).");
        return kInvalidInputs;
    }
    const auto table = console.printing([&](Messages& messages) {
        return ReadSitesTable(options.table, options.sheet, "--sheet", messages);
    });
    if (!table || !TableMeasures(*table, *variable, options.variable, console)) return kInvalidInputs;

    const std::vector<SiteOutcome> outcomes = EvaluateAll(table->rows, *variable, options.threads);
    FittingMatrix pooled;
    const bool anyFailed = PoolSites(table->rows, outcomes, pooled, console);
    const AgreementIndices pooledIndices = ComputeAgreementIndices(pooled);
    const Regression pooledRegression = RegressSimulatedOnMeasured(pooled);
    if (!pooledRegression.failure.empty()) console.print("All sites pooled: " + pooledRegression.failure);
    if (options.json)
        PrintSitesJson(*variable, table->rows, outcomes, IndicesJson(pooledIndices, pooledRegression), out);
    else
        PrintSitesTable(*variable, *table, outcomes, IndexCells(pooledIndices, pooledRegression), out);
    return anyFailed ? kFailure : kSuccess;
}

void RegisterEvaluateSitesCommand(CommandLine& line) {
    auto options = std::make_shared<EvaluateSitesOptions>();
    CLI::App* command = line.app().add_subcommand(
        "evaluate-sites",
        "Run every site of a sites table and evaluate each, and all pooled, against its measurements");
    command
        ->add_option("table", options->table,
                     "Sites table: CSV or workbook, row 1 titles (name, config, weather, year, lat, sowing, "
                     "transplanting, start, end, agb, lai, measured, crop parameters), one site a row")
        ->required();
    command->add_option(
        "--variable", options->variable,
        "AGB (the agb column, default), LAI (the lai column) or a report header (the measured column)");
    AddWholeOption(command, "--sheet", options->sheet, 1, "Sheet of the table's workbook (1-based)");
    AddThreadsOption(command, options->threads);
    command->add_flag("--json", options->json, "Print the results as one JSON object");
    line.add(command, [options](std::ostream& out, const Console& console) {
        return EvaluateSites(*options, out, console);
    });
}

} // namespace tulo::cli
