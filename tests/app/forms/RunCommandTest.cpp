#include "forms/RunCommand.h"

#include "base/Numbers.h"
#include "engine/SeasonSummary.h"
#include "support/ProblemTexts.h"
#include "support/ScriptedUi.h"
#include "support/TestForms.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace tulo {
namespace {

using test::RunnableForm;
using test::ScriptedUi;

struct Session {
    std::unique_ptr<RunState> run = std::make_unique<RunState>();
    RunResults results;
    ScriptedUi ui;
    std::vector<std::string> exported; // kinds passed to the export
    bool Run(FormModel& form) { return static_cast<bool>(Result(form)); }
    Outcome Result(FormModel& form) {
        return RunSimulation(form, ui, *run, results,
                             [this](const Grid&, std::string_view kind) { exported.emplace_back(kind); });
    }
};

TEST(RunCommand, ReportAndChartsHoldExactlyTheSimulatedDays) {
    FormModel form = RunnableForm(100, 250, 100);
    Session s;
    ASSERT_TRUE(s.Run(form));
    const int days = 150; // DOY 100 .. 249: the final date is not simulated
    ASSERT_EQ(s.results.crop.rows(), days);
    EXPECT_EQ(s.results.crop.cols(), 6);
    ASSERT_EQ(s.results.microclimate.rows(), days);
    EXPECT_EQ(s.results.microclimate.cols(), 7);
    // Row k is DOY 100 + k.
    EXPECT_FLOAT_EQ(s.results.crop.at(60, 1), s.run->out.AGB[160] / 100.0f);
    EXPECT_EQ(s.results.crop.at(149, 5), s.run->out.LAI[249]);
    EXPECT_EQ(s.results.microclimate.at(0, 0), s.run->weather.TmaxAir[100]);

    EXPECT_EQ(s.results.report.rows(), 0); // never asked for
    BuildReportGrid(form, *s.run, s.results);
    const Grid& report = s.results.report;
    EXPECT_EQ(report.rows(), days + 1); // only the rows and columns the report fills
    EXPECT_EQ(report.cols(), 2 + kReportVariables);
    const std::tuple<int, int, const char*> cells[] = {
        {1, 1, "DOY"},    {1, 2, "Date"},  {1, 3, "DVS (-)"}, {2, 1, "100"},
        {2, 2, "10 Apr"}, {151, 1, "249"}, {151, 2, "6 Sep"}, {1, 15, "Water level (cm)"}};
    for (const auto& [row, column, text] : cells)
        EXPECT_EQ(report.text(row, column), text) << row << "," << column;
    EXPECT_EQ(report.text(62, 4), ShortestText(s.results.crop.at(60, 1)));
    EXPECT_EQ(report.text(151, 8), ShortestText(s.run->out.LAI[249]));
}

// A season of a known year dates its days in that year's calendar; a leap year has 29 February.
TEST(RunCommand, ReportAndSummaryDateTheDaysInTheSeasonsYear) {
    FormModel form = RunnableForm(55, 130, 100);
    form.setText(ctl::txtSeasonYear, "2020");
    Session s;
    ASSERT_TRUE(s.Run(form));
    BuildReportGrid(form, *s.run, s.results);
    const Grid& report = s.results.report;
    EXPECT_EQ(report.text(2, 2), "24 Feb");
    EXPECT_EQ(report.text(7, 1), "60");
    EXPECT_EQ(report.text(7, 2), "29 Feb");
    EXPECT_EQ(report.text(68, 1), "121");
    EXPECT_EQ(report.text(68, 2), "30 Apr");
    EXPECT_NE(FormatSummary(Summarize(*s.run)).find("Sowing:               DOY 100 (9 Apr)\n"),
              std::string::npos);

    form.setText(ctl::txtSeasonYear, "");
    ASSERT_TRUE(s.Run(form));
    BuildReportGrid(form, *s.run, s.results);
    EXPECT_EQ(report.text(7, 2), "1 Mar");
    EXPECT_EQ(report.text(68, 2), "1 May");
}

TEST(RunCommand, ReportHoldsTheTickedVariablesInListOrder) {
    FormModel form = RunnableForm(100, 250, 100);
    for (int i = 1; i <= kReportVariables; ++i) form.setCheck(ctl::chkReport(i), 0);
    form.setCheck(ctl::chkReport(13), 1);
    form.setCheck(ctl::chkReport(2), 1);
    Session s;
    ASSERT_TRUE(s.Run(form));
    BuildReportGrid(form, *s.run, s.results);
    EXPECT_EQ(s.results.report.text(1, 3), "AGB tot (tAGB/ha)");
    EXPECT_EQ(s.results.report.text(1, 4), "Water level (cm)");
    EXPECT_EQ(s.results.report.text(1, 5), "");
}

TEST(RunCommand, ReportOptionsAskWarnOrExport) {
    const std::string question = "Simulation carried out regularly. Do you want to save results?";
    FormModel form = RunnableForm(100, 250, 100);
    {
        Session never;
        ASSERT_TRUE(never.Run(form));
        EXPECT_TRUE(never.ui.questions.empty());
        EXPECT_TRUE(never.exported.empty());
    }
    form.setOption(ctl::optReportAsk, true);
    for (int i = 1; i <= kReportVariables; ++i) form.setCheck(ctl::chkReport(i), 0);
    {
        Session cancelled; // cancelled: neither export nor warning, even with nothing ticked
        ASSERT_TRUE(cancelled.Run(form));
        ASSERT_EQ(cancelled.ui.questions.size(), 1u);
        EXPECT_EQ(cancelled.ui.questions[0].text, question);
        EXPECT_TRUE(cancelled.ui.messages.empty());
        EXPECT_TRUE(cancelled.exported.empty());
    }
    {
        Session accepted;
        accepted.ui.answers.push_back(Answer::Ok);
        ASSERT_TRUE(accepted.Run(form));
        ASSERT_EQ(accepted.ui.messages.size(), 1u);
        EXPECT_EQ(accepted.ui.messages[0].icon, Icon::Exclamation);
        EXPECT_TRUE(accepted.ui.messages[0].text.starts_with("You have not selected variables"));
        EXPECT_TRUE(accepted.exported.empty());
    }
    form.setOption(ctl::optReportAlways, true);
    form.setCheck(ctl::chkReport(1), 1);
    {
        Session always;
        ASSERT_TRUE(always.Run(form));
        EXPECT_TRUE(always.ui.questions.empty());
        EXPECT_EQ(always.exported, std::vector<std::string>{"report"});
    }
}

TEST(RunCommand, AValidationFailureChangesNoOutput) {
    FormModel form = RunnableForm(100, 250, 100);
    form.setOption(ctl::optReportAlways, true);
    Session s;
    ASSERT_TRUE(s.Run(form));
    const float agb = s.run->out.AGB[200];
    const std::string cell = s.results.report.text(52, 3);
    form.setText(ctl::txtRUE, "3");
    form.setText(ctl::txtLatitude, "");
    EXPECT_FALSE(s.Run(form));
    EXPECT_EQ(s.run->out.AGB[200], agb);
    EXPECT_EQ(s.results.report.text(52, 3), cell);
    EXPECT_EQ(s.ui.messageTexts().back(), "You have to specify Latitude");
}

// The run's core asks nothing and shows nothing: what the window shows comes back as data.
TEST(RunCommand, TheCoreReturnsProblemsInOrderAndTheReportOptionWithoutAsking) {
    FormModel form = RunnableForm(100, 250, 100);
    form.setText(ctl::txtInitialDate, "");
    form.setText(ctl::txtSowingDate, "");
    form.setText(ctl::txtLatitude, "");
    auto run = std::make_unique<RunState>();
    RunResults results;
    const SeasonRunOutcome refused = RunFormSeason(form, *run, results);
    EXPECT_EQ(refused.outcome, Outcome::Failed);
    EXPECT_EQ(refused.outcome.reason, Outcome::Reason::InvalidInputs);
    EXPECT_EQ(
        test::Texts(refused.problems),
        (std::vector<std::string>{"You have not specified the Initial date",
                                  "You have not specified the sowing date", "You have to specify Latitude"}));
    EXPECT_EQ(refused.report, ReportOption::Never); // no season ran, so no report is due
    EXPECT_EQ(results.crop.rows(), 0);

    form = RunnableForm(100, 250, 100);
    const std::pair<std::string_view, ReportOption> options[] = {
        {ctl::optReportNever, ReportOption::Never},
        {ctl::optReportAsk, ReportOption::Ask},
        {ctl::optReportAlways, ReportOption::Always}};
    for (const auto& [option, report] : options) {
        form.setOption(option, true);
        const SeasonRunOutcome season = RunFormSeason(form, *run, results);
        EXPECT_TRUE(static_cast<bool>(season.outcome));
        EXPECT_TRUE(season.problems.empty());
        EXPECT_EQ(season.report, report) << option;
        EXPECT_EQ(results.crop.rows(), 150);
        EXPECT_EQ(results.report.rows(), 0); // the report grid is the caller's to build
    }

    EXPECT_FALSE(ReportVariablesMissing(form));
    for (int i = 1; i <= kReportVariables; ++i) form.setCheck(ctl::chkReport(i), 0);
    const auto missing = ReportVariablesMissing(form);
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->icon, Icon::Exclamation);
    EXPECT_TRUE(missing->text.starts_with("You have not selected variables"));
}

} // namespace
} // namespace tulo
