#include "Runs.h"

#include "SeasonSource.h"
#include "base/Numbers.h"
#include "engine/Ensemble.h"
#include "engine/Season.h"
#include "engine/SeasonSummary.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

namespace tulo::python {

namespace {

constexpr double kMissing = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kSummaryKeys = 14; // SummaryColumns().size(), checked when the outputs are resolved

// The summary's values as the command line's row gives them, read back: its texts read back exactly.
// The row is made and read in place, so that a season of an ensemble allocates nothing here.
void SummaryValues(const RunState& run, std::span<double> values) {
    char row[kSummaryRowChars];
    const char* const end = WriteSummaryRow(Summarize(run), row);
    const char* cell = row + 1; // each cell follows a comma
    for (double& value : values) {
        const char* const stop = std::find(cell, end, ',');
        value = kMissing; // a stage not reached has no value
        if (stop != cell) std::from_chars(cell, stop, value);
        cell = stop + 1;
    }
}

// "LAI@200": a numeric daily series on a simulated day.
OutputColumn SeriesColumn(const std::string& name, const SeasonInputs& inputs) {
    const DailyValueName read =
        ParseDailyValueName(name, inputs.control.InitialDate, inputs.control.FinalDate);
    if (read.problem == DailyValueName::Problem::NotNameAtDay)
        throw InputRefused({"outputs: " + QuoteValue(name) +
                            " is neither a summary key (agb_max, ...) nor NAME@DOY with NAME a numeric daily "
                            "series (LAI, AGB, ...)."});
    if (read.problem == DailyValueName::Problem::NotSimulatedDay)
        throw InputRefused({"outputs: DOY " + std::to_string(read.day) + " of " + QuoteValue(name) +
                            " is not a simulated day (" + std::to_string(inputs.control.InitialDate) +
                            " to " + std::to_string(inputs.control.FinalDate - 1) + ")."});
    return {name, -1, read.variable, read.day};
}

// The sets of the rows; a NaN cell is left out, so that the season keeps its value.
std::vector<ParameterSet> ReadSets(std::size_t rows, std::span<const double> sets,
                                   std::span<const int> parameters) {
    const std::size_t width = parameters.size();
    std::vector<ParameterSet> read(rows);
    for (std::size_t r = 0; r < rows; ++r) {
        read[r].reserve(width);
        for (std::size_t k = 0; k < width; ++k)
            if (const double value = sets[r * width + k]; !std::isnan(value))
                read[r].push_back({parameters[k], value});
    }
    return read;
}

} // namespace

const RunState& RunChecked(const SeasonInputs& inputs) {
    // Kept from season to season: a state that last ran the same compilation (a copy with other crop
    // parameters shares it) skips loading the weather, and no season allocates a state of its own.
    thread_local const std::unique_ptr<RunState> run = std::make_unique<RunState>(); // large: off the stack
    RunSeason(inputs, {}, *run);
    if (const auto where = FirstNonFiniteOutput(*run))
        throw InputRefused({"The simulation gave a value that is not a number (" + *where +
                            "). Check the crop parameters and the weather of that day; nothing was shown or "
                            "saved."});
    return *run;
}

std::vector<OutputColumn> ResolveOutputs(const std::vector<std::string>& names, const SeasonInputs& inputs) {
    const auto& keys = SummaryColumns();
    if (keys.size() != kSummaryKeys) throw std::logic_error("the season summary's keys changed");
    std::vector<OutputColumn> columns;
    if (names.empty())
        for (std::size_t i = 0; i < keys.size(); ++i) columns.push_back({std::string(keys[i]), int(i)});
    for (const std::string& name : names) {
        const auto key = std::find(keys.begin(), keys.end(), name);
        columns.push_back(key != keys.end() ? OutputColumn{name, int(key - keys.begin())}
                                            : SeriesColumn(name, inputs));
    }
    return columns;
}

EnsembleTable RunSets(const SeasonInputs& inputs, std::size_t rows, std::span<const double> sets,
                      std::span<const int> parameters, const std::vector<OutputColumn>& outputs,
                      int threads) {
    const std::vector<ParameterSet> read = ReadSets(rows, sets, parameters);
    const std::size_t width = outputs.size();
    const bool needsSummary = std::any_of(outputs.begin(), outputs.end(),
                                          [](const OutputColumn& c) { return c.summaryIndex >= 0; });
    EnsembleTable table;
    table.values.assign(read.size() * width, kMissing);
    // Each worker writes the row of its own set only.
    const SeasonSink sink = [&](std::size_t i, const RunState& run) {
        double* row = table.values.data() + i * width;
        std::array<double, kSummaryKeys> summary{};
        if (needsSummary) SummaryValues(run, summary);
        for (std::size_t c = 0; c < width; ++c)
            row[c] = outputs[c].summaryIndex >= 0 ? summary[std::size_t(outputs[c].summaryIndex)]
                                                  : outputs[c].variable->value(run, outputs[c].day);
    };
    tulo::EnsembleOptions options;
    options.threads = threads;
    table.problems = RunEnsembleInto(inputs, read, sink, options);
    return table;
}

} // namespace tulo::python
