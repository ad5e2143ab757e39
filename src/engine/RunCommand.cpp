#include "engine/RunCommand.h"

#include "base/Numbers.h"
#include "engine/CompiledInputs.h"
#include "engine/Season.h"

namespace tulo {

bool RunSimulation(FormModel& form, UserInterface& ui, RunState& run, RunResults& results,
                   const ReportExporter& exportReport) {
    const Compilation compiled = CompileInputs(form);
    for (const InputProblem& problem : compiled.problems) ui.message(problem.text);
    if (!compiled.inputs) return false;
    ShowEstimatedHumidities(form, *compiled.inputs);
    RunSeason(*compiled.inputs, {}, run);
    results.crop = FillCropChart(run);
    results.microclimate = FillMicroclimateChart(run);
    FillOutputGrid(run.control.OptReportFile, form, run, results, ui, exportReport);
    return true;
}

void BuildReportGrid(const FormModel& form, const RunState& run, RunResults& results) {
    const auto& variables = ReportVariables();
    const int n = run.control.FinalDate - run.control.InitialDate + 1;
    int ticked = 0;
    for (std::size_t i = 0; i < variables.size(); ++i)
        ticked += form.check(ctl::chkReport(static_cast<int>(i) + 1)) == 1 ? 1 : 0;
    Grid& report = results.report;
    report = Grid(n, 2 + ticked);
    report.setText(1, 1, "DOY");
    report.setText(1, 2, "Date");
    int col = 3;
    for (std::size_t i = 0; i < variables.size(); ++i) {
        if (form.check(ctl::chkReport(static_cast<int>(i) + 1)) != 1) continue;
        const ReportVariable& v = variables[i];
        const ChartMatrix& chart = v.chart == Chart::Crop ? results.crop : results.microclimate;
        report.setText(1, col, std::string(v.header));
        for (int r = 2; r <= n && r < chart.rows(); ++r)
            report.setText(r, col, ShortestText(chart.at(r, v.column)));
        ++col;
    }
    for (int r = 2; r <= n; ++r) report.setText(r, 1, std::to_string(run.control.InitialDate + r));
}

void FillOutputGrid(std::int32_t OptReportFile, const FormModel& form, const RunState& run,
                    RunResults& results, UserInterface& ui, const ReportExporter& exportReport) {
    int ticked = 0;
    for (int i = 1; i <= kReportVariables; ++i) ticked += form.check(ctl::chkReport(i)) == 1 ? 1 : 0;

    if (OptReportFile == 0) return;
    if (OptReportFile == 1 && ui.ask("Simulation carried out regularly. Do you want to save results?",
                                     Buttons::OkCancel) != Answer::Ok)
        return;
    if (ticked == 0) {
        ui.message("You have not selected variables to be introduced in the report. Go back to the Control "
                   "section, select the variables and rerun the simulation",
                   {}, Icon::Exclamation);
        return;
    }
    BuildReportGrid(form, run, results);
    if (exportReport) exportReport(results.report, "report");
}

} // namespace tulo
