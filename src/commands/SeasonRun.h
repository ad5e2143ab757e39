#pragma once
// A compiled season run as the window, the command line and the Python package run one: its charts'
// matrices, the report grid of the ticked variables, and what the report option asks for once it has
// run. Nothing here asks or shows anything.

#include "base/Problems.h"
#include "engine/Grid.h"
#include "engine/Outputs.h"
#include "engine/RunState.h"
#include "engine/SeasonInputs.h"
#include "inputs/OpeningSeason.h"

#include <optional>

namespace tulo {

struct RunResults {
    ChartMatrix crop;
    ChartMatrix microclimate;
    // Built only when a report is asked for (BuildReportGrid); empty otherwise.
    Grid report;
};

// What the report option (OptReportFile 0, 1, 2) asks for once a season has run.
enum class ReportOption { Never, Ask, Always };

// How a season run went. `problems` are why the inputs cannot be simulated and `warnings` what they
// allow but question, each in the order the compilation found them.
struct SeasonRunOutcome {
    Outcome outcome; // a not-finite season's message names its first day and series
    Problems problems;
    Problems warnings;
    ReportOption report = ReportOption::Never; // by the season's option, once it has run
};

// Runs a compiled season and fills the two chart matrices. When the inputs failed validation nothing
// changes (reason InvalidInputs); when a daily value of the season is not finite (reason NotFinite) the
// charts and the report stay as they were. The report grid is left to the caller (BuildReportGrid).
SeasonRunOutcome RunCompiledSeason(Compilation compiled, RunState& run, RunResults& results);

// Why no report can be built: no variable of the report is ticked. Nothing when one is.
std::optional<Message> ReportVariablesMissing(const ReportTicks& ticks);

// The report grid of the variables `ticks` ticks: row 1 "DOY", "Date" and their headers; then one row
// per simulated day, InitialDate to FinalDate - 1, with its day and month ("15 Jun") and its chart
// values. The grid holds only those rows and columns.
void BuildReportGrid(const ReportTicks& ticks, const RunState& run, RunResults& results);

} // namespace tulo
