#include "inputs/SeasonCompile.h"

#include "engine/Parameters.h"
#include "inputs/ConfigurationFile.h"
#include "support/ProblemTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {
namespace {

// The demonstration season, read from its file: no form is involved.
SeasonConfiguration Demo() {
    const ConfigurationReading reading = ReadConfigurationFile(TULO_SOURCE_DIR "/examples/demo.sim");
    EXPECT_TRUE(reading.configuration) << reading.message;
    return *reading.configuration;
}

// "input(row,column)" of each problem, in order.
std::vector<std::string> Places(const Problems& problems) {
    std::vector<std::string> places;
    for (const InputProblem& p : problems)
        places.push_back(p.field + "(" + std::to_string(p.row) + "," + std::to_string(p.column) + ")");
    return places;
}

CropItem& Crop(SeasonConfiguration& c, std::string_view id) {
    return c.crop[static_cast<std::size_t>(ParameterIndex(id))];
}

void SetSoilRow(SeasonConfiguration& c, int row, const std::vector<std::string>& cells) {
    while (c.soil.rows() <= row) c.soil.addRow();
    for (std::size_t k = 0; k < cells.size(); ++k) c.soil.setText(row, static_cast<int>(k), cells[k]);
}

// The checks read every parameter but the model's constants from the configuration: each must have
// its item, or a configuration could never give it.
TEST(SeasonCompile, EveryParameterButTheConstantsIsAConfigurationItem) {
    std::vector<std::string_view> stored, settable;
    for (const CropParameterItem& item : CropParameterItems()) stored.push_back(item.id);
    for (const ParameterInfo& info : CropParameterRegistry())
        if (info.kind != ParameterKind::Constant) settable.push_back(info.id);
    std::sort(stored.begin(), stored.end());
    std::sort(settable.begin(), settable.end());
    EXPECT_EQ(stored, settable);
}

TEST(SeasonCompile, ItemsAreRefusedByTheirInputs) {
    SeasonConfiguration c = Demo();
    c.initialDate = {};                                         // missing
    c.finalDate = ReadWholeItem("abc");                         // not a number
    c.sowingDate = ReadWholeItem("1200");                       // beyond any season
    c.latitude = ReadSingleItem("1e40");                        // beyond a single
    c.initialWaterLevel = ReadRealItem("x");                    // unread: the field is unflooded
    Crop(c, "RUE") = ReadCropItem(*FindParameter("RUE"), "-1"); // below its bound
    Crop(c, "IDSL") = ReadCropItem(*FindParameter("IDSL"), "Sometimes");
    c.diseaseSimulation = true;
    c.blastClass = ReadWholeItem("4");
    const Compilation compiled = CompileSeason(c);
    EXPECT_FALSE(compiled.inputs);
    EXPECT_EQ(Places(compiled.problems),
              (std::vector<std::string>{"InitialDate(0,0)", "FinalDate(0,0)", "IDSL(0,0)", "RUE(0,0)",
                                        "SowingDate(0,0)", "Latitude(0,0)", "BlastClass(0,0)"}));
    const std::vector<std::string> texts = test::Texts(compiled.problems);
    EXPECT_EQ(texts[0], "You have not specified the Initial date");
    EXPECT_EQ(texts[1], "Final date (DOY): \"abc\" is not a number.");
    EXPECT_TRUE(texts[3].starts_with(std::string(FindParameter("RUE")->label))) << texts[3];
    EXPECT_EQ(texts[2], std::string(FindParameter("IDSL")->label) +
                            ": \"Sometimes\" is not one of \"Temperature based\", \"Photoperiod based\" or "
                            "\"Both\".");
    EXPECT_EQ(texts[4],
              "Sowing date (DOY) must be a day of year between 1 and 365, or up to 1096 for the next "
              "years' days of a season that crosses 31 December (it is 1200).");
    EXPECT_EQ(texts[5], "Latitude (degrees): \"1e40\" is out of range.");
    EXPECT_EQ(
        texts[6],
        "Blast susceptibility class: \"4\" is not 1, 2 or 3; choose the variety in the diseases window.");
}

TEST(SeasonCompile, FloodingAndTheRunChoicesAreChecked) {
    SeasonConfiguration c = Demo();
    c.flooding = choice::Flooded;
    c.fixedWaterLevel = true;
    c.waterLevel = ReadSingleItem("500");
    SeasonRunChoices ndvi;
    ndvi.laiFromNdvi = true;
    ndvi.ndviLai = ReadSingleItem("x");
    Compilation compiled = CompileSeason(c, ndvi);
    EXPECT_EQ(Places(compiled.problems),
              (std::vector<std::string>{"DOYforcingLAI(0,0)", "ForcingLAI(0,0)", "WaterLevel(0,0)"}));
    EXPECT_EQ(compiled.problems[0].text, "You have to specify the DOY corresponding to the NDVI estimation");
    EXPECT_EQ(compiled.problems[1].text, "NDVI-derived LAI (m2/m2): \"x\" is not a number.");
    EXPECT_TRUE(compiled.problems[2].text.starts_with("Water level (cm): 500 must lie"))
        << compiled.problems[2].text;

    // A file that says both water-level options is read as the window opens it: the later, dynamic.
    c.dynamicWaterLevel = true;
    c.initialWaterLevel = ReadRealItem("5");
    ndvi.ndviDay = ReadWholeItem("150");
    ndvi.ndviLai = ReadSingleItem("2.5");
    compiled = CompileSeason(c, ndvi);
    ASSERT_TRUE(compiled.inputs) << compiled.problems.front().text;
    EXPECT_TRUE(compiled.inputs->manag.DynamicLevel);
    EXPECT_EQ(compiled.inputs->manag.IniWaterLevel, 5.0);
    EXPECT_EQ(compiled.inputs->DOYforcingLAI, 150);
    EXPECT_EQ(compiled.inputs->ForcingLAI, 2.5f);

    c.flooding = "Sometimes";
    compiled = CompileSeason(c);
    EXPECT_EQ(Places(compiled.problems), std::vector<std::string>{"Flooding(0,0)"});
    EXPECT_EQ(compiled.problems[0].text,
              "Irrigation strategy: \"Sometimes\" is not one of \"Flooded\" and \"Unflooded\".");
}

TEST(SeasonCompile, TableCellsAreNamedByColumnRowAndColumn) {
    SeasonConfiguration c = Demo();
    c.weather.setText(9, WeatherDay, "11");     // day 10's row
    c.weather.setText(149, WeatherRain, "wet"); // day 150
    c.weather.setText(150, WeatherTmax, "-99"); // a missing-value code on a simulated day
    c.weather.setText(151, WeatherRadiation, "90");
    c.weather.setText(360, WeatherTmin, ""); // after the season: may stay blank
    c.waterInflow = NumberTable(1, kWaterInputCols);
    const char* inflow[] = {"130", "120", "5", "24"}; // ends before it starts
    for (int col = 0; col < kWaterInputCols; ++col) c.waterInflow.setText(0, col, inflow[col]);
    c.treatmentDays = {ReadWholeItem("150"), ReadWholeItem("0")};
    const Compilation compiled = CompileSeason(c);
    EXPECT_EQ(
        Places(compiled.problems),
        (std::vector<std::string>{"water.LastDay(0,1)", "blast.TreatmentDay(1,0)", "weather.Day(9,0)",
                                  "weather.Rain(149,1)", "weather.Tmax(150,2)", "weather.Radiation(151,4)"}));
    const std::vector<std::string> texts = test::Texts(compiled.problems);
    EXPECT_EQ(texts[0], "Water input table, row 1: the final DOY 120 is before the initial DOY 130.");
    EXPECT_EQ(
        texts[1],
        "Blast treatment 2, DOY must be a day of year between 1 and 365, or up to 1096 for the next years' "
        "days of a season that crosses 31 December (it is 0).");
    EXPECT_EQ(texts[2],
              "Weather, row 11: the day column holds \"11\" but this row is DOY 10; the table must list "
              "the days 1 to 365 in order.");
    EXPECT_EQ(texts[3], "Weather, DOY 150 (cell B151), Rain(mm): \"wet\" is not a number.");
    EXPECT_EQ(texts[4],
              "Weather, DOY 151 (cell C152), Tmax(°C): -99 is a missing-value code; every day needs a "
              "value.");
    EXPECT_TRUE(texts[5].starts_with("Weather, DOY 152 (cell E153), Rad (MJ/m2): 90 must lie")) << texts[5];
}

// A hand-edited file may hold water input rows after one whose initial day is blank; the window's
// table ends at that row, and so does the season, whatever the later rows hold.
TEST(SeasonCompile, WaterInputEndsAtTheFirstRowWithoutAnInitialDay) {
    SeasonConfiguration c = Demo();
    c.flooding = choice::Flooded;
    c.dynamicWaterLevel = true;
    c.initialWaterLevel = ReadRealItem("5");
    c.waterInflow = NumberTable(0, kWaterInputCols);
    const auto addRow = [&](std::vector<std::string> cells) {
        c.waterInflow.addRow();
        for (int col = 0; col < kWaterInputCols; ++col)
            c.waterInflow.setText(c.waterInflow.rows() - 1, col, cells[static_cast<std::size_t>(col)]);
    };
    addRow({"150", "160", "20", "6"});
    addRow({" ", "175", "x", "24"}); // a space is a day's text, refused: the table goes on
    addRow({"", "200", "1", "24"});
    addRow({"170", "180", "wet", "24"}); // would be refused, were it read
    Compilation compiled = CompileSeason(c);
    EXPECT_EQ(Places(compiled.problems),
              (std::vector<std::string>{"water.FirstDay(1,0)", "water.Input(1,2)"}));

    c.waterInflow.setText(1, InflowFirstDay, "");
    compiled = CompileSeason(c);
    ASSERT_TRUE(compiled.inputs) << compiled.problems.front().text;
    const ManagementParameters& m = compiled.inputs->manag;
    EXPECT_EQ(m.Winputmm[150], 20.0);
    EXPECT_EQ(m.WinputH[160], 6.0);
    EXPECT_EQ(m.Winputmm[161], 0.0);
    EXPECT_EQ(m.Winputmm[175], 0.0);
}

TEST(SeasonCompile, WeatherTitlesAndTemperatureOrder) {
    SeasonConfiguration c = Demo();
    c.weatherTitles[WeatherTmax] = "Tmin";
    Compilation compiled = CompileSeason(c);
    EXPECT_EQ(Places(compiled.problems), std::vector<std::string>{"weather.Titles(0,2)"});

    c = Demo();
    c.weather.setValue(199, WeatherTmin, 40); // day 200, above its maximum
    compiled = CompileSeason(c);
    EXPECT_EQ(Places(compiled.problems), std::vector<std::string>{"weather.Tmin(199,3)"});

    // Titled humidity columns without values are estimated, with a warning on the title.
    c = Demo();
    c.weatherTitles[WeatherRHmax] = "RHmax";
    compiled = CompileSeason(c);
    ASSERT_TRUE(compiled.inputs);
    EXPECT_EQ(Places(compiled.warnings), std::vector<std::string>{"weather.Titles(0,5)"});

    // Many bad cells: the first twenty named, the rest counted on the table.
    c = Demo();
    for (int row = 0; row < 30; ++row) c.weather.setText(row, WeatherRain, "?");
    compiled = CompileSeason(c);
    ASSERT_EQ(compiled.problems.size(), 21u);
    EXPECT_EQ(Places({compiled.problems.back()}), std::vector<std::string>{"weather(0,0)"});
    EXPECT_EQ(compiled.problems.back().text, "... and 10 more weather cells with problems.");

    c.weatherTitles[WeatherDay] = " ";
    compiled = CompileSeason(c);
    EXPECT_EQ(Places(compiled.problems), std::vector<std::string>{"weather.Titles(0,0)"});
}

const std::vector<std::string> kLoam = {"100", "1.35", "1.2", "30", "30", "", "", "", "", "", "", "", "1"};

TEST(SeasonCompile, SoilLayersAreTheFilledRowsFromTheTop) {
    SeasonConfiguration c = Demo();
    c.soilSimulation = true;
    c.soil = NumberTable(0, kSoilCols);
    SetSoilRow(c, 0, kLoam);
    SetSoilRow(c, 1, {"150", "1,4", "0.8", "25", "35", "-1", "-1", "-1", "-1", "-1", "-1", "-1", "0.5"});
    SetSoilRow(c, 2, {"100", "1.35", "1.2", "30", "30", "", "", "", "", "", "", "", "0.7000000000000001"});
    SetSoilRow(c, 3, {" "}); // a blank thickness ends the layers
    SetSoilRow(c, 4, kLoam);
    Compilation compiled = CompileSeason(c);
    ASSERT_TRUE(compiled.inputs) << compiled.problems.front().text;
    const ControlParameters& control = compiled.inputs->control;
    EXPECT_EQ(control.NLayers, 3);
    EXPECT_TRUE(control.SoilCorrectlyOpen);
    EXPECT_EQ(control.SoilLayers[2][1], 1.4);
    EXPECT_EQ(control.SoilLayers[1][5], -1); // blank and typed -1 alike
    EXPECT_EQ(control.SoilLayers[2][11], -1);
    EXPECT_EQ(control.SoilLayers[3][12], 0.7); // kept to 15 significant digits

    for (int row = 0; row < 20; ++row) SetSoilRow(c, row, kLoam);
    compiled = CompileSeason(c);
    ASSERT_TRUE(compiled.inputs);
    EXPECT_EQ(compiled.inputs->control.NLayers, 15);

    c.soil.setText(0, 0, "");
    compiled = CompileSeason(c);
    EXPECT_EQ(Places(compiled.problems), std::vector<std::string>{"soil.Thickness(0,0)"});
    EXPECT_EQ(compiled.problems[0].text, "I notice something wrong with your soil file...");

    c.soilSimulation = false; // an unused table is not read
    EXPECT_TRUE(CompileSeason(c).inputs);
}

TEST(SeasonCompile, EveryUnusableSoilValueIsReported) {
    SeasonConfiguration c = Demo();
    c.soilSimulation = true;
    c.soil = NumberTable(0, kSoilCols);
    SetSoilRow(c, 0, {"0", "x", "1", "30", "30", "", "", "", "", "", "", "", "1"});
    SetSoilRow(c, 1,
               {"100", "1.3", "0", "30", "30", "", "1.5", "", "", "", "", "4", "1"}); // alpha needs carbon
    SetSoilRow(c, 2, {"100", "1.3", "1", "60", "50", "0", "0.9", "", "", "", "0.45", "4", "1"});
    SetSoilRow(c, 3, {"100", "1.3", "1", "60", "50", "0.02", "1.5", "", "", "", "", "abc", "1"}); // silt -10
    SetSoilRow(c, 4, {"100", "1.3", "1", "30", "30", "", "", "", "", "", "", "", ""}); // no starting water
    const Compilation compiled = CompileSeason(c);
    const std::vector<std::string> expected = {
        "Soil layer 1, Thickness (mm): 0 must lie above 0 and at most 5000 mm (a layer has some thickness; 5 "
        "m "
        "is deeper than rice roots and the pond's exchange reach).",
        "Soil layer 1, Bulk density (g/cm3): \"x\" is not a number.",
        "Soil layer 2: Alpha (1/cm) is not given and cannot be estimated, which needs carbon and silt (100 - "
        "clay - sand) above 0, but carbon is 0.",
        "Soil layer 3, Alpha (1/cm): 0 must lie above 0 and at most 10 1/cm (the retention curve needs a "
        "positive "
        "scale; beyond the coarsest gravels).",
        "Soil layer 3, n: 0.9 must lie above 1 and at most 10 (the retention curve's shape m = 1 - 1/n must "
        "be "
        "positive; beyond the most uniform sands).",
        "Soil layer 3: clay and sand make 110 %; together they are at most 100 %, silt the rest.",
        "Soil layer 4, Saturated hydraulic conductivity (mm/h): \"abc\" is not a number.",
        "Soil layer 4: clay and sand make 110 %; together they are at most 100 %, silt the rest.",
        "Soil layer 4: SWCsat (m3/m3) is not given and cannot be estimated, which needs clay and silt (100 - "
        "clay - sand) above 0, but silt is -10.",
        "Soil layer 5, SWCstart (mm): the value is missing.",
    };
    EXPECT_EQ(test::Texts(compiled.problems), expected);
    EXPECT_EQ(Places(compiled.problems),
              (std::vector<std::string>{"soil.Thickness(0,0)", "soil.BulkDensity(0,1)", "soil.Alpha(1,5)",
                                        "soil.Alpha(2,5)", "soil.N(2,6)", "soil.Sand(2,4)", "soil.Ksat(3,11)",
                                        "soil.Sand(3,4)", "soil.SaturatedWater(3,10)",
                                        "soil.StartingWater(4,12)"}));
}

// The texts are the window's (SeasonForm tests); here, that the dates' problems name their inputs.
TEST(SeasonCompile, SeasonDatesLeaveACropToSimulate) {
    SeasonConfiguration c = Demo();
    c.sowingDate = ReadWholeItem("90");
    Compilation compiled = CompileSeason(c);
    ASSERT_TRUE(compiled.inputs);
    EXPECT_EQ(Places(compiled.warnings), std::vector<std::string>{"SowingDate(0,0)"});
    c.sowingDate = ReadWholeItem("300");
    EXPECT_EQ(Places(CompileSeason(c).problems), std::vector<std::string>{"SowingDate(0,0)"});

    c.sowingDate = ReadWholeItem("120");
    c.layout = ConfigurationLayout::Complete; // the transplanting's items are the file's
    for (const std::string_view id : {"NPLSB", "NH", "NPLH", "SHCKD"})
        Crop(c, id) = ReadCropItem(*FindParameter(id), std::string(FindParameter(id)->defaultText));
    c.transplanted = true;
    for (const char* day : {"310", "110"}) {
        c.transplantingDate = ReadWholeItem(day);
        EXPECT_EQ(Places(CompileSeason(c).problems), std::vector<std::string>{"TransplantingDate(0,0)"})
            << day;
    }
}

} // namespace
} // namespace tulo
