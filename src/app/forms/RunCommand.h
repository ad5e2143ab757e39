#pragma once
// The window's run command: compiles the form, runs a fresh season (commands/SeasonRun.h), fills the two
// chart matrices and the report grid, and by the report option offers or performs the report's export.

#include "commands/SeasonRun.h"
#include "forms/FormModel.h"
#include "forms/UserInterface.h"

#include <functional>
#include <optional>
#include <string_view>

namespace tulo {

// Saves the report grid; `kind` names what is saved in the dialog ("report" or "Report").
using ReportExporter = std::function<void(const Grid& report, std::string_view kind)>;

// Reads and checks the inputs, runs the season and fills the two chart matrices, asking nothing. When
// the inputs fail validation nothing changes (reason InvalidInputs); when a daily value of the season is
// not finite (reason NotFinite) the charts and the report stay as they were. The estimated humidities are
// shown in the form's weather grid. The report grid is left to the caller (BuildReportGrid).
SeasonRunOutcome RunFormSeason(FormModel& form, RunState& run, RunResults& results);

// The report variables the form's check boxes tick.
ReportTicks ReportTicksOf(const FormModel& form);

// Why no report can be built: no variable of the report is ticked. Nothing when one is.
std::optional<Message> ReportVariablesMissing(const FormModel& form);

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

// Asks, warns or exports by the report option (0 never, 1 ask, 2 always), building the report grid
// when it is to be exported.
void FillOutputGrid(std::int32_t OptReportFile, const FormModel& form, const RunState& run,
                    RunResults& results, UserInterface& ui, const ReportExporter& exportReport);

} // namespace tulo
