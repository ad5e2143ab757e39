#include "commands/SeasonRun.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "engine/Season.h"

namespace tulo {

SeasonRunOutcome RunCompiledSeason(Compilation compiled, RunState& run, RunResults& results) {
    SeasonRunOutcome season;
    season.problems = std::move(compiled.problems);
    season.warnings = std::move(compiled.warnings);
    if (!compiled.inputs) {
        season.outcome = Outcome::Failure(Outcome::Reason::InvalidInputs);
        return season;
    }
    RunSeason(*compiled.inputs, {}, run);
    // The inputs' bounds keep seasons finite; should one still not be, no chart or file shows it.
    if (const auto where = FirstNonFiniteOutput(run)) {
        season.outcome = Outcome::Failure(
            "The simulation gave a value that is not a number (" + *where +
                "). Check the crop parameters and the weather of that day; nothing was shown or saved.",
            Outcome::Reason::NotFinite);
        return season;
    }
    results.crop = FillCropChart(run);
    results.microclimate = FillMicroclimateChart(run);
    const std::int32_t option = run.control.OptReportFile;
    season.report = option == 0   ? ReportOption::Never
                    : option == 1 ? ReportOption::Ask
                                  : ReportOption::Always;
    return season;
}

std::optional<Message> ReportVariablesMissing(const ReportTicks& ticks) {
    for (const bool ticked : ticks)
        if (ticked) return std::nullopt;
    return Message{"You have not selected variables to be introduced in the report. Go back to the Control "
                   "section, select the variables and rerun the simulation",
                   {},
                   Icon::Exclamation};
}

void BuildReportGrid(const ReportTicks& ticks, const RunState& run, RunResults& results) {
    const auto& variables = ReportVariables();
    const int days = run.control.FinalDate - run.control.InitialDate; // the simulated days
    int ticked = 0;
    for (std::size_t i = 0; i < variables.size(); ++i) ticked += ticks.at(i) ? 1 : 0;
    Grid& report = results.report;
    report = Grid(days + 1, 2 + ticked);
    report.setText(1, 1, "DOY");
    report.setText(1, 2, "Date");
    // Row r holds the day InitialDate + r - 2 with that day's chart row.
    for (int k = 0; k < days; ++k) {
        const int day = run.control.InitialDate + k;
        report.setText(k + 2, 1, std::to_string(DayOfYearOfSeasonDay(day, run.control.Year)));
        report.setText(k + 2, 2, SeasonDateText(day, run.control.Year));
    }
    int col = 3;
    for (std::size_t i = 0; i < variables.size(); ++i) {
        if (!ticks.at(i)) continue;
        const ReportVariable& v = variables[i];
        const ChartMatrix& chart = v.chart == Chart::Crop ? results.crop : results.microclimate;
        report.setText(1, col, std::string(v.header));
        for (int k = 0; k < days && k < chart.rows(); ++k)
            report.setText(k + 2, col, ShortestText(chart.at(k, v.column)));
        ++col;
    }
}

} // namespace tulo
