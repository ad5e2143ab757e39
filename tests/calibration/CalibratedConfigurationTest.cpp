// The calibration tools on a configuration with no form: what they write saves as the window saves it,
// the values a search starts from are the items as written, and a site's season is its own weather,
// days and latitude on the base's crop and management.

#include "calibration/CalibratedConfiguration.h"
#include "calibration/CalibrationParameters.h"
#include "forms/CalibrationForm.h"
#include "forms/ConfigurationForm.h"
#include "forms/SimConfig.h"
#include "forms/ToolResults.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/SeasonCompile.h"
#include "support/TestForms.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tulo {
namespace {

// A shipped example as the command line holds it: complete, the items its older layout lacks taking a
// new season's values, so that it saves as the window saves it.
SeasonConfiguration Example(const std::string& name) {
    return ConfigurationFromForm(test::ExampleForm(name));
}

const ParameterInfo& Parameter(std::string_view id) {
    const ParameterInfo* info = FindParameter(id);
    EXPECT_NE(info, nullptr) << id;
    return *info;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int DifferingLines(const std::string& a, const std::string& b) {
    const auto x = Lines(a), y = Lines(b);
    EXPECT_EQ(x.size(), y.size());
    int differing = 0;
    for (std::size_t i = 0; i < x.size() && i < y.size(); ++i) differing += x[i] != y[i];
    return differing;
}

TEST(CalibratedConfiguration, ToolResultsSaveAsTheWindowSavesThem) {
    const SeasonConfiguration flooded = Example("flooded.sim");
    const std::string original = FormatConfiguration(flooded);

    std::vector<ParameterChoice> choices(2);
    choices[0].info = &Parameter("RUE");
    choices[1].info = &Parameter("Tb");
    const std::vector<double> rounded = {2.346, 11.0};
    SeasonConfiguration calibrated = flooded;
    WriteCalibratedValues(calibrated, choices, rounded);
    FormModel form = test::ExampleForm("flooded.sim");
    WriteCalibratedValues(form, choices, rounded);
    EXPECT_TRUE(FormatConfiguration(calibrated) == FormatSimConfig(form)); // byte for byte
    EXPECT_EQ(DifferingLines(original, FormatConfiguration(calibrated)), 2);
    EXPECT_EQ(CropValueText(Parameter("Tb"), calibrated), "11");

    // Thermal times in the single precision the run reads them with, not the double the fit found.
    PhenologyFit fit;
    fit.parameters = {{ParameterIndex("TSUM1"), 1234.56789}, {ParameterIndex("TSUM2"), 500.0}};
    SeasonConfiguration fitted = flooded;
    WritePhenologyValues(fitted, fit);
    form = test::ExampleForm("flooded.sim");
    WritePhenologyValues(form, fit);
    EXPECT_TRUE(FormatConfiguration(fitted) == FormatSimConfig(form)); // byte for byte
    EXPECT_EQ(CropValueText(Parameter("TSUM1"), fitted), "1234.5679");

    ReinitResult reinit;
    reinit.sowing = 131;
    reinit.rounded = {1180.5, 2.71};
    const std::vector<CalibratedParameter> parameters = {{ParameterIndex("TSUM1"), 800, 1600},
                                                         {ParameterIndex("RUE"), 1.5, 4}};
    SeasonConfiguration reinitialized = flooded;
    WriteReinitialization(reinitialized, reinit, parameters);
    form = test::ExampleForm("flooded.sim");
    WriteReinitialization(form, reinit, parameters);
    EXPECT_TRUE(FormatConfiguration(reinitialized) == FormatSimConfig(form)); // byte for byte
    EXPECT_EQ(reinitialized.sowingDate.value, 131);
    EXPECT_EQ(DifferingLines(original, FormatConfiguration(reinitialized)), 3);

    // Read back, the saved text is the configuration written.
    const ConfigurationReading reread = ReadConfiguration(FormatConfiguration(reinitialized));
    ASSERT_TRUE(reread.configuration) << reread.message;
    EXPECT_EQ(*reread.configuration, reinitialized);
}

TEST(CalibratedConfiguration, ASearchStartsFromTheItemAsWrittenOrTheCompiledValue) {
    SeasonConfiguration flooded = Example("flooded.sim");
    const Compilation compiled = CompileSeason(flooded);
    ASSERT_TRUE(compiled.inputs);
    const ParameterInfo& rue = Parameter("RUE");

    flooded.crop[static_cast<std::size_t>(ParameterIndex("RUE"))] = ReadCropItem(rue, "2.30");
    EXPECT_EQ(ConfiguredValue(rue, flooded, *compiled.inputs), 2.3); // not the float 2.3 widens to
    flooded.crop[static_cast<std::size_t>(ParameterIndex("RUE"))] = CropItem{};
    EXPECT_EQ(ConfiguredValue(rue, flooded, *compiled.inputs), GetParameter(compiled.inputs->crop, rue));

    // The default ranges' initial value: the configuration's when inside, otherwise the middle.
    const std::string caption(CalibrationCaption(rue));
    std::array<CalibrationParameterTexts, 3> texts{{{caption, "", ""}, {}, {}}};
    std::array<std::string, 3> initial;
    flooded.crop[static_cast<std::size_t>(ParameterIndex("RUE"))] = ReadCropItem(rue, "2.30");
    ImportDefaultRanges(texts, &initial, &flooded);
    EXPECT_EQ(texts[0].min, CalibrationEntryOf(rue)->defaultMin);
    EXPECT_EQ(initial[0], "2.30");
    flooded.crop[static_cast<std::size_t>(ParameterIndex("RUE"))] = ReadCropItem(rue, "99");
    initial[0].clear();
    ImportDefaultRanges(texts, &initial, &flooded);
    EXPECT_NE(initial[0], "99");
    EXPECT_FALSE(initial[0].empty());
}

TEST(CalibrationSites, ASiteIsItsOwnWeatherDaysAndLatitudeOnTheBaseCrop) {
    const SeasonConfiguration base = Example("flooded.sim");
    SiteWeather weather{base.weatherTitles, base.weather};
    for (int d = 0; d < kLastDay; ++d)
        weather.days.setValue(d, WeatherTmax, weather.days.value(d, WeatherTmax) + 3);
    const SiteTexts row{"110", "290", "", " 45.7", "", "weather.csv", "agb.xlsx", ""};

    const SeasonConfiguration site = SiteConfiguration(base, row, weather);
    EXPECT_FALSE(site.year);
    EXPECT_EQ(site.sowingDate, base.sowingDate); // a blank cell keeps the base's
    EXPECT_EQ(site.crop, base.crop);

    const Compilation own = CompileSite(base, row, weather);
    const Compilation shared = CompileSeason(base);
    ASSERT_TRUE(own.inputs);
    ASSERT_TRUE(shared.inputs);
    EXPECT_EQ(own.inputs->control.InitialDate, 110);
    EXPECT_EQ(own.inputs->control.FinalDate, 290);
    EXPECT_EQ(own.inputs->manag.SowingDate, shared.inputs->manag.SowingDate);
    EXPECT_EQ(own.inputs->manag.Lat, 45.7f); // as typed: not rounded to 46, which moves the site
    EXPECT_FLOAT_EQ(own.inputs->weather.TmaxAir[200], shared.inputs->weather.TmaxAir[200] + 3);
    EXPECT_EQ(GetParameter(own.inputs->crop, Parameter("RUE")),
              GetParameter(shared.inputs->crop, Parameter("RUE")));

    // The window's version, on the form, compiles the same season.
    const FormModel window = test::ExampleForm("flooded.sim");
    Grid grid = window.grid(ctl::sprWeather);
    for (int d = 1; d <= kLastDay; ++d) grid.setText(d + 1, 3, weather.days.text(d - 1, WeatherTmax));
    const Compilation windows = CompileSite(window, row, grid);
    ASSERT_TRUE(windows.inputs);
    for (int d = 1; d <= kLastDay; ++d)
        EXPECT_EQ(windows.inputs->weather.TmaxAir[d], own.inputs->weather.TmaxAir[d]);
    EXPECT_EQ(windows.inputs->manag.Lat, own.inputs->manag.Lat);
}

} // namespace
} // namespace tulo
