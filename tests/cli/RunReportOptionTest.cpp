// The report option of a configuration on the command line, where nobody answers the window's question:
// a report that is always to be saved goes to --report, or is named as not saved.

#include "forms/SimConfig.h"
#include "support/TestForms.h"

#include "CliFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::Slurp;

using RunReportOption = test::CliTest;

TEST_F(RunReportOption, AReportAlwaysSavedGoesToTheReportFileOrIsNamedAsNotSaved) {
    FormModel form = test::DemoForm();
    form.setOption(ctl::optReportAlways, true);
    const std::string always = (dir_ / "always.sim").string();
    ASSERT_TRUE(WriteSimConfig(form, always));
    test::CliRun o = Run("run " + always + " --daily " + (dir_ / "daily.csv").string());
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "The report was not saved: give --report FILE to save it.\n");
    EXPECT_TRUE(fs::exists(dir_ / "daily.csv")); // the rest of the run's outputs are written

    const fs::path report = dir_ / "report.csv";
    o = Run("run " + always + " --report " + report.string());
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_TRUE(Slurp(report).starts_with("DOY,Date,")) << Slurp(report).substr(0, 200);
}

} // namespace
} // namespace tulo
