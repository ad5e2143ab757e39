#pragma once
// The run command: reads the inputs, runs a fresh season, fills the two chart matrices and the report
// grid, and by the report option offers or performs the report's export.

#include "engine/Grid.h"
#include "engine/Outputs.h"
#include "engine/RunState.h"
#include "forms/FormModel.h"
#include "forms/UserInterface.h"

#include <functional>
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

// Reads and checks the inputs, runs the season and shows it. When the inputs fail validation nothing
// changes (the problems have been shown; the failure's reason is InvalidInputs); when a daily value of the
// season is not finite the message names the first day and series (reason NotFinite) and the charts, the
// report and every file stay as they were. The estimated humidities are shown in the form's weather grid.
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
