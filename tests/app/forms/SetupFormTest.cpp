#include "forms/SetupForm.h"

#include "support/PrintOutcome.h"

#include <gtest/gtest.h>

namespace tulo::sensitivity {
namespace {

std::string Refused(const SetupForm& form) {
    const auto outcome = CheckSetup(form);
    return std::holds_alternative<Message>(outcome) ? std::get<Message>(outcome).text : "";
}

std::string MethodLineOf(const SetupForm& form) {
    const auto outcome = CheckSetup(form);
    EXPECT_TRUE(std::holds_alternative<AnalysisRequest>(outcome)) << Refused(form);
    return std::holds_alternative<AnalysisRequest>(outcome) ? std::get<AnalysisRequest>(outcome).methodLine
                                                            : "";
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
    const Message computation = std::get<Message>(CheckSetup(form));
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
    const auto request = std::get<AnalysisRequest>(CheckSetup(form));
    EXPECT_EQ(request.openedSample, std::filesystem::path("/data/mine.sam"));
    ASSERT_EQ(request.factors.size(), 1u);
    EXPECT_EQ(request.factors[0].row, 3);
}

TEST(SetupFormTest, OneLhsFactorGivesTheFiveLineConfiguration) {
    SetupForm form;
    form.rows[0].used = true;
    form.lhsSeed = "1";
    form.lhsExecutions = "100";
    const auto request = std::get<AnalysisRequest>(CheckSetup(form));
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

// A settings file brings back every setting it was saved with; a damaged one is refused by its line.
TEST(SetupFormTest, SettingsFilesKeepTheRowsTheMethodAndItsSettings) {
    SetupForm form;
    form.rows[0].used = form.rows[3].used = true;
    form.rows[3].mean = "29";
    form.rows[3].sd = "1.5";
    form.page = SetupPage::Sterility;
    form.method = "Sobol method";
    form.sobolComputation = "custom";
    form.sobolOrder = "third";
    form.sobolExecutions = "128";
    form.morrisTrajectories = "7";
    form.samplePath = "/data/run.sam";
    SetupForm read;
    ASSERT_EQ(ParseSettingsFile(FormatSettingsFile(form), read), Outcome::Done);
    form.samplePath.clear(); // not a setting
    EXPECT_EQ(FormatSettingsFile(read), FormatSettingsFile(form));
    EXPECT_TRUE(read.rows[3].used && !read.rows[1].used);
    EXPECT_EQ(read.rows[3].sd, "1.5");
    EXPECT_EQ(read.sobolOrder, "third");
    EXPECT_EQ(read.page, SetupPage::Sterility);

    // What a file leaves out keeps its default; CR LF lines are read as well.
    ASSERT_EQ(ParseSettingsFile("TULO sensitivity settings\r\nmethod = Morris method\r\n", read),
              Outcome::Done);
    EXPECT_EQ(read.method, "Morris method");
    EXPECT_EQ(read.morrisTrajectories, "10");
    for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
             {"", "The settings file is empty."},
             {"par1 used = yes\n", "This is not a sensitivity settings file"},
             {"TULO sensitivity settings\nmethod = Sobol\n",
              "Line 2 of the settings file: \"method\" must be one of"},
             {"TULO sensitivity settings\npar1 used = yes\npar1 used = no\n",
              "gives \"par1 used\" a second time"},
             {"TULO sensitivity settings\npar12 mean = 3\n", "unknown setting, \"par12 mean\""},
             {"TULO sensitivity settings\npar2 distribution = weibull\n", "must be one of normal, uniform"},
             {"TULO sensitivity settings\nlhs seed 3\n", "is not \"key = value\""}}) {
        const auto why = ParseSettingsFile(text, read);
        ASSERT_FALSE(why) << text;
        EXPECT_NE(why.message.find(message), std::string::npos) << why.message;
    }
    EXPECT_EQ(read.method, "Morris method"); // a refused file changes nothing
}

// The output analysed is the settings file's last line; a file saved before it was a choice opens with
// the end-of-crop AGB, and the analysis asked for is of the output shown.
TEST(SetupFormTest, TheOutputIsTheLastSettingAndWhatTheRequestAnalyses) {
    SetupForm form;
    EXPECT_EQ(form.output, "End-of-crop AGB (g/m2)");
    form.output = "Flowering day (DOY)";
    const std::string text = FormatSettingsFile(form);
    EXPECT_TRUE(text.ends_with("\nsobol executions = 32\noutput = Flowering day (DOY)\n")) << text;
    SetupForm read;
    ASSERT_EQ(ParseSettingsFile(text, read), Outcome::Done);
    EXPECT_EQ(read.output, "Flowering day (DOY)");
    const std::string older = text.substr(0, text.rfind("output = "));
    ASSERT_EQ(ParseSettingsFile(older, read), Outcome::Done);
    EXPECT_EQ(read.output, "End-of-crop AGB (g/m2)");
    const auto why = ParseSettingsFile(older + "output = yield\n", read);
    ASSERT_FALSE(why);
    EXPECT_NE(why.message.find("\"output\" must be one of End-of-crop AGB (g/m2), Panicles at maturity"),
              std::string::npos)
        << why.message;

    form.rows[0].used = true;
    const auto request = std::get<AnalysisRequest>(CheckSetup(form));
    EXPECT_EQ(request.output, SampleOutput::Flowering);
    form.output = "Yield";
    EXPECT_EQ(std::get<Message>(CheckSetup(form)).text, "There is something wrong with your inputs");
}

// The export holds the interactions below the factors.
TEST(SetupFormTest, TheExportHoldsTheInteractionsBelowTheFactors) {
    IndexResults results;
    results.index1Name = "S1";
    results.index2Name = "ST";
    results.factors = {{0, "par1", "RUE", 0.5, 0.6, 0.4, 0.6, 0.5, 0.7, 0},
                       {3, "par4", "Topt", 0.2, 0.3, {}, {}, {}, {}, 2}};
    results.interactions = {{{"par1", "par4"}, "RUE \u00d7 Topt", "S12", 0.1, 0.05, 0.15}};
    const Grid indices = IndexGrid(results), interactions = InteractionGrid(results);
    const Grid both = ExportedResults(indices, interactions);
    ASSERT_EQ(both.rows(), 5);
    EXPECT_EQ(both.text(2, 1), "par4");
    EXPECT_EQ(both.text(3, 1), "");
    EXPECT_EQ(both.text(4, 1), "Index");
    EXPECT_EQ(both.text(5, 1), "S12");
    EXPECT_EQ(both.text(5, 3), ".1");
    results.interactions.clear();
    EXPECT_EQ(ExportedResults(indices, InteractionGrid(results)), indices);
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
