#include "sensitivity/SetupForm.h"

#include <gtest/gtest.h>

namespace tulo::sensitivity {
namespace {

std::string Refused(const SetupForm& form, bool unflooded = true) {
    const auto outcome = CheckSetup(form, unflooded);
    return std::holds_alternative<Refusal>(outcome) ? std::get<Refusal>(outcome).text : "";
}

std::string MethodLineOf(const SetupForm& form) {
    const auto outcome = CheckSetup(form, true);
    EXPECT_TRUE(std::holds_alternative<AnalysisRequest>(outcome)) << Refused(form);
    return std::holds_alternative<AnalysisRequest>(outcome) ? std::get<AnalysisRequest>(outcome).methodLine
                                                            : "";
}

TEST(SetupFormTest, AFloodedFieldIsRefusedBeforeAnyOtherCheck) {
    SetupForm form; // nothing ticked
    form.method = "Bootstrap";
    form.rows[0].distribution = "uniform";
    form.rows[0].used = true;
    const Refusal refusal = std::get<Refusal>(CheckSetup(form, false));
    EXPECT_EQ(refusal.text,
              "This version of TULO is able to perform sensitivity analysis only under unflooded conditions");
    EXPECT_EQ(refusal.title, "TULO sensitivity analysis");
    EXPECT_EQ(refusal.icon, Icon::Information);
}

TEST(SetupFormTest, ChecksComeInTheOrderOfTheCommand) {
    SetupForm form;
    form.method = "Bootstrap";
    form.rows[3].used = true;
    form.rows[3].distribution = "constant";
    form.rows[4].mean = "x"; // an unticked row is not checked on its own
    EXPECT_EQ(Refused(form), "Only normal distributions are allowed in this version of TULO");
    form.rows[3].distribution = "normal";
    EXPECT_EQ(Refused(form),
              "Only Morris, Sobol, FAST, Latin hypercube, Quasi-Random LpTau, and Random methods "
              "are allowed in this version of TULO");
    form.method = "Morris method";
    form.morrisTrajectories = "ten";
    EXPECT_EQ(Refused(form), "There is something wrong with your inputs");
    form.morrisTrajectories = "10";
    form.rows[3].sd = "";
    EXPECT_EQ(Refused(form), "There is something wrong with your inputs");
    form.rows[3].sd = "2";

    form.method = "Sobol method";
    form.sobolComputation = "partial";
    const Refusal computation = std::get<Refusal>(CheckSetup(form, true));
    EXPECT_EQ(computation.text, "You have specified an invalid string in the <Method computation> combo box");
    EXPECT_EQ(computation.title, "TULO");
    EXPECT_EQ(computation.icon, Icon::Critical);
    form.sobolComputation = "custom";
    form.sobolOrder = "fourth";
    EXPECT_EQ(Refused(form),
              "You have specified an invalid stringa in the <Order of infices calc.> combo box");
    form.sobolOrder = "second";

    form.page = SetupPage::Sterility;
    EXPECT_EQ(Refused(form), "Sensitivity analysis for sterility parameters to be implemented");
    form.samplePath = "/data/mine.sam"; // an opened sample needs no page
    const auto request = std::get<AnalysisRequest>(CheckSetup(form, true));
    EXPECT_EQ(request.openedSample, std::filesystem::path("/data/mine.sam"));
    ASSERT_EQ(request.factors.size(), 1u);
    EXPECT_EQ(request.factors[0].row, 3);
}

TEST(SetupFormTest, OneLhsFactorGivesTheFiveLineConfiguration) {
    SetupForm form;
    form.rows[0].used = true;
    form.lhsSeed = "1";
    form.lhsExecutions = "100";
    const auto request = std::get<AnalysisRequest>(CheckSetup(form, true));
    EXPECT_EQ(ConfigurationText(request, "/tmp/SAsample.txt"),
              "1\r\npar1 normal 3 0.5 0.01 0.99\r\nlhs\r\n1 100\r\n/tmp/SAsample.txt\r\n");
}

TEST(SetupFormTest, SobolExecutionsFollowTheTickedRowsAndGiveTheExponent) {
    EXPECT_EQ(SobolExecutions(3, "total"),
              (std::vector<std::string>{"128", "256", "512", "1024", "2048", "4096", "8192", "16384"}));
    EXPECT_EQ(SobolExecutions(3, "custom").back(), "12288");
    EXPECT_TRUE(SobolExecutions(3, "partial").empty());
    EXPECT_EQ(LpTauExecutions().size(), 17u);
    EXPECT_EQ(LpTauExecutions().back(), "1048576");

    SetupForm form;
    form.selectAll();
    form.method = "Sobol method";
    form.sobolExecutions = "768";
    EXPECT_EQ(MethodLineOf(form), "1 1");
    form.sobolExecutions = "500"; // no power of two: m stays a real number
    EXPECT_EQ(MethodLineOf(form), "1 0.380821783940931");
    form.sobolComputation = "custom";
    form.sobolOrder = "third";
    form.sobolExecutions = "352";
    EXPECT_EQ(MethodLineOf(form), "3 0 3");
    form.method = "FAST";
    form.fastComputation = "Extended";
    EXPECT_EQ(MethodLineOf(form), "2 1 1000");
}

TEST(SetupFormTest, IndicesShowUpToFiveDecimalsWithoutALeadingZero) {
    EXPECT_EQ(FormatIndex(0.25), ".25");
    EXPECT_EQ(FormatIndex(-0.123456), "-.12346");
    EXPECT_EQ(FormatIndex(12.5), "12.5");
    EXPECT_EQ(FormatIndex(3.0), "3");
    EXPECT_EQ(FormatIndex(-0.000001), "0");
}

// The grid the results window shows and exports: a factor that did not vary says so in place of its
// indices, and an index given without interval (classic FAST) leaves the interval cells blank.
TEST(SetupFormTest, TheResultsGridNamesAFactorThatDidNotVary) {
    IndexResults results;
    results.index1Name = "SRC";
    results.index2Name = "PRCC";
    FactorResult varied{0, "par1", "RUE", 0.5, 0.75, 0.4, 0.6, std::nullopt, std::nullopt, 0, true};
    FactorResult constant{3, "par4", "Topt", 0, 0, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                          9, false};
    results.factors = {varied, constant};
    const Grid grid = IndexGrid(results);
    EXPECT_EQ(grid.text(1, 3), ".5");
    EXPECT_EQ(grid.text(1, 5), ".4");
    EXPECT_EQ(grid.text(1, 7), "");
    EXPECT_EQ(grid.text(2, 3), "did not vary");
    EXPECT_EQ(grid.text(2, 4), "did not vary");
    EXPECT_EQ(grid.text(2, 5), "");
    EXPECT_EQ(grid.text(2, 9), "9");
}

} // namespace
} // namespace tulo::sensitivity
