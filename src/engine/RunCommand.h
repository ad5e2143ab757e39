#pragma once
// The run command: reads the inputs, runs a fresh season, fills the two chart matrices and the report
// grid, and by the report option offers or performs the report's export.

#include "engine/FormModel.h"
#include "engine/Grid.h"
#include "engine/Outputs.h"
#include "engine/RunState.h"
#include "engine/UserInterface.h"

#include <functional>
#include <string_view>

namespace tulo {

inline constexpr int kReportRows = 370;
inline constexpr int kReportCols = 101;

// Saves the report grid; `kind` names what is saved in the dialog ("report" or "Report").
using ReportExporter = std::function<void(const Grid& report, std::string_view kind)>;

struct RunResults {
    ChartMatrix crop;
    ChartMatrix microclimate;
    Grid report{kReportRows, kReportCols};
};

// Returns false, changing nothing, when the inputs fail validation (the problems have been shown).
bool RunSimulation(FormModel& form, UserInterface& ui, RunState& run, RunResults& results,
                   const ReportExporter& exportReport);

// The report grid: row 1 "DOY", "Date" and the ticked variables' headers; rows 2 .. n the days
// InitialDate + 2 .. InitialDate + n with the chart values of those rows.
void BuildReportGrid(const FormModel& form, const RunState& run, RunResults& results);

// Builds the report grid, then asks, warns or exports by the report option (0 never, 1 ask, 2 always).
void FillOutputGrid(std::int32_t OptReportFile, const FormModel& form, const RunState& run,
                    RunResults& results, UserInterface& ui, const ReportExporter& exportReport);

} // namespace tulo
