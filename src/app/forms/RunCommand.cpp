#include "forms/RunCommand.h"

#include "forms/SeasonForm.h"

namespace tulo {

SeasonRunOutcome RunFormSeason(FormModel& form, RunState& run, RunResults& results) {
    Compilation compiled = CompileInputs(form);
    if (compiled.inputs) ShowEstimatedHumidities(form, *compiled.inputs);
    return RunCompiledSeason(std::move(compiled), run, results);
}

ReportTicks ReportTicksOf(const FormModel& form) {
    ReportTicks ticks{};
    for (int i = 1; i <= kReportVariables; ++i)
        ticks[static_cast<std::size_t>(i - 1)] = form.check(ctl::chkReport(i)) == 1;
    return ticks;
}

std::optional<Message> ReportVariablesMissing(const FormModel& form) {
    return ReportVariablesMissing(ReportTicksOf(form));
}

Outcome RunSimulation(FormModel& form, UserInterface& ui, RunState& run, RunResults& results,
                      const ReportExporter& exportReport) {
    const SeasonRunOutcome season = RunFormSeason(form, run, results);
    for (const InputProblem& problem : season.problems) ui.problem(problem);
    if (season.outcome.reason == Outcome::Reason::InvalidInputs) return season.outcome;
    for (const InputProblem& warning : season.warnings) ui.message(warning.text, {}, Icon::Information);
    if (!season.outcome) {
        ui.message(season.outcome.message, {}, Icon::Critical);
        return Outcome::Failure(season.outcome.reason);
    }
    FillOutputGrid(run.control.OptReportFile, form, run, results, ui, exportReport);
    return Outcome::Success();
}

void BuildReportGrid(const FormModel& form, const RunState& run, RunResults& results) {
    BuildReportGrid(ReportTicksOf(form), run, results);
}

void FillOutputGrid(std::int32_t OptReportFile, const FormModel& form, const RunState& run,
                    RunResults& results, UserInterface& ui, const ReportExporter& exportReport) {
    if (OptReportFile == 0) return;
    if (OptReportFile == 1 && ui.ask("Simulation carried out regularly. Do you want to save results?",
                                     Buttons::OkCancel) != Answer::Ok)
        return;
    if (const auto missing = ReportVariablesMissing(form)) {
        ui.message(missing->text, missing->title, missing->icon);
        return;
    }
    BuildReportGrid(form, run, results);
    if (exportReport) exportReport(results.report, "report");
}

} // namespace tulo
