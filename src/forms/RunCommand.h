#pragma once
// The run command: reads the inputs, runs a fresh season, fills the two chart matrices and the report
// grid, and by the report option offers or performs the report's export. Its core asks nothing and
// returns what happened; the window's part shows that and asks or exports by the report option.

#include "engine/Grid.h"
#include "engine/Outputs.h"
#include "engine/RunState.h"
#include "engine/SeasonInputs.h"
#include "forms/FormModel.h"
#include "forms/UserInterface.h"
#include "inputs/OpeningSeason.h"

#include <functional>
#include <optional>
#include <string_view>

namespace tulo {

// Saves the report grid; `kind` names what is saved in the dialog ("report" or "Report").
using ReportExporter = std::function<void(const Grid& report, std::string_view kind)>;

struct RunResults {
    ChartMatrix crop;
    ChartMatrix microclimate;
    // Built only when a report is asked for (BuildReportGrid); empty otherwise.
    Grid report;
};

// What the report option (OptReportFile 0, 1, 2) asks for once a season has run.
enum class ReportOption { Never, Ask, Always };

// How a season run from the form went. `problems` are why the inputs cannot be simulated and `warnings`
// what they allow but question, each in the order the compilation found them.
struct FormSeasonRun {
    Outcome outcome; // a not-finite season's message names its first day and series
    Problems problems;
    Problems warnings;
    ReportOption report = ReportOption::Never; // by the season's option, once it has run
};

// Reads and checks the inputs, runs the season and fills the two chart matrices, asking nothing. When
// the inputs fail validation nothing changes (reason InvalidInputs); when a daily value of the season is
// not finite (reason NotFinite) the charts and the report stay as they were. The estimated humidities are
// shown in the form's weather grid. The report grid is left to the caller (BuildReportGrid).
FormSeasonRun RunFormSeason(FormModel& form, RunState& run, RunResults& results);
// The same of a season compiled already, whatever from: nothing is shown anywhere.
FormSeasonRun RunCompiledSeason(Compilation compiled, RunState& run, RunResults& results);

// The report variables the form's check boxes tick.
ReportTicks ReportTicksOf(const FormModel& form);

// Why no report can be built: no variable of the report is ticked. Nothing when one is.
std::optional<Message> ReportVariablesMissing(const FormModel& form);
std::optional<Message> ReportVariablesMissing(const ReportTicks& ticks);

// The window's run: RunFormSeason, showing its problems, warnings and failure, then FillOutputGrid. When the
// inputs fail validation nothing changes (the problems have been shown; the failure's reason is
// InvalidInputs); when a daily value of the season is not finite the message names the first day and series
// (reason NotFinite) and the charts, the report and every file stay as they were. The estimated humidities
// are shown in the form's weather grid.
Outcome RunSimulation(FormModel& form, UserInterface& ui, RunState& run, RunResults& results,
                      const ReportExporter& exportReport);

// The report grid: row 1 "DOY", "Date" and the ticked variables' headers; then one row per simulated
// day, InitialDate to FinalDate - 1, with its day and month ("15 Jun") and its chart values. The grid
// holds only those rows and columns.
void BuildReportGrid(const FormModel& form, const RunState& run, RunResults& results);
// The same of the variables `ticks` ticks.
void BuildReportGrid(const ReportTicks& ticks, const RunState& run, RunResults& results);

// Asks, warns or exports by the report option (0 never, 1 ask, 2 always), building the report grid
// when it is to be exported.
void FillOutputGrid(std::int32_t OptReportFile, const FormModel& form, const RunState& run,
                    RunResults& results, UserInterface& ui, const ReportExporter& exportReport);

} // namespace tulo
