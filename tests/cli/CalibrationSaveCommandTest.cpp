// The configurations the calibration commands save: complete whatever layout they read (the items an
// older file lacks take a new season's values, as in the window), the season as the command ran it, and
// apart from that the configuration read, with only the values the command wrote changed.

#include "CliFixture.h"

#include "engine/Parameters.h"
#include "forms/ConfigurationForm.h"
#include "inputs/ConfigurationFile.h"
#include "support/TestForms.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tulo {
namespace {

using test::CliRun;
using test::kDemo;
using test::kExamples;

class CalibrationSave : public test::CliTest {
protected:
    // The crop parameters in which the saved configuration differs from `expected`, which it must equal
    // otherwise.
    std::set<std::string> ChangedCrop(const std::string& saved, SeasonConfiguration expected) {
        const ConfigurationReading reading = ReadConfigurationFile(dir_ / saved);
        EXPECT_TRUE(reading.configuration) << reading.message;
        if (!reading.configuration) return {};
        const SeasonConfiguration& written = *reading.configuration;
        EXPECT_EQ(written.layout, ConfigurationLayout::Complete);
        EXPECT_TRUE(written.endMarked);
        std::set<std::string> changed;
        for (std::size_t k = 0; k < written.crop.size(); ++k)
            if (written.crop[k] != expected.crop[k]) {
                changed.insert(std::string(CropParameterRegistry()[k].id));
                expected.crop[k] = written.crop[k];
            }
        EXPECT_TRUE(written == expected) << saved << " differs beyond its crop values";
        return changed;
    }
};

TEST_F(CalibrationSave, AnOlderLayoutSavesCompleteWithOnlyTheWrittenValuesChanged) {
    // demo.sim ends after the cold shock's items and has no mark.
    ASSERT_EQ(ReadConfigurationFile(kDemo).configuration->layout, ConfigurationLayout::ThroughColdShock);
    const SeasonConfiguration demo = ConfigurationFromForm(test::DemoForm());

    CliRun o = Run("phenology " + kDemo + " --flowering 215 --maturity 265 --save " +
                   (dir_ / "fitted.sim").string());
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(ChangedCrop("fitted.sim", demo), (std::set<std::string>{"TSUM1", "TSUM2"}));

    o = Run("calibrate-sites " + kDemo + " " + kExamples + "calibration/two-sites.cfg --save " +
            (dir_ / "sites.sim").string());
    ASSERT_EQ(o.status, 0) << o.err;
    // The configuration's own weather and dates, not a site's.
    EXPECT_EQ(ChangedCrop("sites.sim", demo), (std::set<std::string>{"RUE", "Tb"}));

    // The season as the command ran it: its sowing moved, with the values found.
    o = Run("calibrate " + kDemo + " --sowing 125 --agb " + kExamples +
            "calibration/agb.xlsx --param RUE:1.5:4 --save " + (dir_ / "calibrated.sim").string());
    ASSERT_EQ(o.status, 0) << o.err;
    SeasonConfiguration sown = demo;
    sown.sowingDate = ReadWholeItem("125");
    EXPECT_EQ(ChangedCrop("calibrated.sim", sown), (std::set<std::string>{"RUE"}));
}

} // namespace
} // namespace tulo
