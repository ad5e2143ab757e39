#include "forms/ReadInputs.h"

#include "forms/SeasonForm.h"

#include "support/ProblemTexts.h"
#include "support/Seasons.h"

#include <gtest/gtest.h>

#include <memory>

namespace tulo {
namespace {

using test::RunnableForm;
using test::Texts;

struct Reading {
    std::unique_ptr<RunState> run = std::make_unique<RunState>();
    Problems problems;
};

std::unique_ptr<Reading> Read(FormModel& form) {
    auto r = std::make_unique<Reading>();
    r->problems = ReadAllInputs(form, *r->run);
    return r;
}

TEST(ReadAllInputs, DecimalCommasAndListChoicesAreReadAsTheirValues) {
    FormModel form = RunnableForm(100, 250, 120);
    form.setText(ctl::txtTSUM1, "950,5"); // a decimal comma is a decimal
    form.setText(ctl::cmbSenDuration, "High sensitivity only in a restricted period");
    auto r = Read(form);
    ASSERT_TRUE(r->problems.empty()) << r->problems.front().text;
    // The rest of a new form's values are compared whole with the typed defaults (SeasonFormTest).
    const RunState& run = *r->run;
    EXPECT_EQ(run.crop.TSUM1, 950.5f);
    EXPECT_EQ(run.crop.SenDuration, 0);

    form.setText(ctl::cmbIDSL, "Both"); // a photoperiod method reads the day lengths
    form.setText(ctl::txtDLC, "15");
    form.setText(ctl::txtDLO, "12,5");
    const auto both = Read(form);
    EXPECT_EQ(both->run->crop.IDSL, 2.0f);
    EXPECT_EQ(both->run->crop.DLO, 12.5f);
}

TEST(ReadAllInputs, MissingMandatoryFieldsGiveTheProgramsMessagesInOrder) {
    FormModel form = RunnableForm();
    form.setText(ctl::txtInitialDate, "");
    form.setText(ctl::txtSowingDate, "");
    form.setText(ctl::txtLatitude, "");
    auto r = Read(form);
    const std::vector<std::string> expected = {"You have not specified the Initial date",
                                               "You have not specified the sowing date",
                                               "You have to specify Latitude"};
    EXPECT_EQ(Texts(r->problems), expected);

    form = RunnableForm();
    form.setText(ctl::cmbFlooded, "Flooded");
    form.setText(ctl::txtWaterLevel, ""); // not reported: no level option is chosen
    r = Read(form);
    EXPECT_EQ(Texts(r->problems),
              std::vector<std::string>{"You have to specify how do you want to simulate the water level"});

    form.setOption(ctl::OptionFixWlevel, true);
    r = Read(form);
    EXPECT_EQ(Texts(r->problems), std::vector<std::string>{"You have not specified the water level"});
    form.setOption(ctl::OptionDynamicWlevel, true);
    r = Read(form);
    EXPECT_EQ(Texts(r->problems), std::vector<std::string>{"You have not specified the initial water level"});

    form = RunnableForm();
    form.setOption(ctl::OptionLAIndvi, true);
    r = Read(form);
    EXPECT_EQ(r->problems.size(), 2u);
    EXPECT_EQ(r->problems[0].text, "You have to specify the DOY corresponding to the NDVI estimation");
}

TEST(ReadAllInputs, TextsThatAreNotNumbersAndDatesOutOfRangeAreNamedAndStopTheRun) {
    FormModel form = RunnableForm();
    form.setText(ctl::txtRUE, "2.3.1");
    form.setText(ctl::txtK, "");
    form.setText(ctl::txtFinalDate, "abc");
    auto r = Read(form);
    ASSERT_EQ(r->problems.size(), 3u);
    EXPECT_EQ(r->problems[0].text, "Final date (DOY): \"abc\" is not a number.");
    EXPECT_EQ(r->problems[1].text, "Radiation use efficiency (g/MJ): \"2.3.1\" is not a number.");
    EXPECT_EQ(r->problems[2].text, "Extinction coefficient for solar radiation: the value is missing.");

    // A season starts in its first year and lasts at most two years (731 days).
    for (auto [initial, final] :
         {std::pair{"0", "100"}, {"200", "200"}, {"300", "200"}, {"367", "400"}, {"100", "832"}}) {
        form = RunnableForm();
        form.setText(ctl::txtInitialDate, initial);
        form.setText(ctl::txtFinalDate, final);
        r = Read(form);
        ASSERT_EQ(r->problems.size(), 1u) << initial << " " << final;
        EXPECT_NE(
            r->problems[0].text.find("1 <= Initial date <= 366 and Initial date < Final date <= Initial "
                                     "date + 731"),
            std::string::npos)
            << r->problems[0].text;
    }
    form = RunnableForm();
    form.setText(ctl::txtSowingDate, "400");
    form.setText(ctl::txtLatitude, "95");
    r = Read(form);
    EXPECT_EQ(r->problems.size(), 2u);

    // A list text that is none of its choices is refused, not taken for another choice.
    form = RunnableForm();
    form.setText(ctl::cmbIDSL, "temperature based");
    form.setText(ctl::cmbFlooded, "flooded");
    form.setText(ctl::txtTSUM2, "0"); // a number outside its bounds
    r = Read(form);
    ASSERT_EQ(r->problems.size(), 3u);
    EXPECT_EQ(r->problems[0].field, "cmbIDSL");
    EXPECT_EQ(r->problems[1].field, "txtTSUM2");
    EXPECT_EQ(r->problems[2].field, "cmbFlooded");
}

TEST(ReadAllInputs, WaterInputAndTreatmentTablesFillTheirDays) {
    FormModel form = RunnableForm();
    test::SetRow(form, ctl::sprDynWaterInput, 1, {"120", "130", "20", "6"});
    test::SetRow(form, ctl::sprDynWaterInput, 2, {"125", "126", "5"});  // overrides where ranges overlap
    test::SetRow(form, ctl::sprDynWaterInput, 4, {"200", "210", "99"}); // after an empty row: not used
    form.editGrid(ctl::sprBlastTreatment, [](Grid& treatments) {
        treatments.resize(2, 1);
        treatments.setText(1, 1, "150");
        treatments.setText(2, 1, "200");
    });
    auto r = Read(form);
    ASSERT_TRUE(r->problems.empty()) << r->problems.front().text;
    const ManagementParameters& m = r->run->manag;
    EXPECT_EQ(m.Winputmm[119], 0.0);
    EXPECT_EQ(m.Winputmm[120], 20.0);
    EXPECT_EQ(m.WinputH[120], 6.0);
    EXPECT_EQ(m.Winputmm[125], 5.0);
    EXPECT_EQ(m.WinputH[125], 24.0);
    EXPECT_EQ(m.Winputmm[130], 20.0);
    EXPECT_EQ(m.Winputmm[131], 0.0);
    EXPECT_EQ(m.Winputmm[205], 0.0);
    EXPECT_EQ(m.NumTreatments, 2);
    EXPECT_EQ(m.WindowStart.at(1), 150);
    EXPECT_EQ(m.WindowEnd.at(1), 171);
    EXPECT_EQ(m.WindowEnd.at(2), 221);

    form.setCell(ctl::sprDynWaterInput, 2, 2, "x");
    test::SetRow(form, ctl::sprDynWaterInput, 3, {"0", "10", "1"});
    form.setCell(ctl::sprBlastTreatment, 2, 1, "");
    r = Read(form);
    ASSERT_EQ(r->problems.size(), 3u);
    EXPECT_EQ(r->problems[0].text, "Water input table, row 2, Final DOY: \"x\" is not a number.");
    EXPECT_NE(r->problems[1].text.find("row 3, Initial DOY must be a day of year"), std::string::npos);
    EXPECT_EQ(r->problems[2].text, "Blast treatment 2, DOY: the value is missing.");
}

TEST(ReadAllInputs, WeatherProblemsNameDayAndColumnAndStopTheRun) {
    FormModel form = RunnableForm();
    form.setCell(ctl::sprWeather, 1, 1, "");
    auto r = Read(form);
    EXPECT_EQ(Texts(r->problems),
              std::vector<std::string>{"I notice something wrong with your weather file..."});

    form = RunnableForm();
    const Grid& weather = form.grid(ctl::sprWeather);
    form.setCell(ctl::sprWeather, 13, 3, "hot");
    form.setCell(ctl::sprWeather, 200, 5, "");
    form.setCell(ctl::sprWeather, 366, 5, ""); // a day the season does not read may stay empty
    r = Read(form);
    ASSERT_EQ(r->problems.size(), 2u);
    EXPECT_EQ(r->problems[0],
              (InputProblem{"sprWeather", 13, 3,
                            "Weather, DOY 12 (cell C13), Tmax(°C): \"hot\" is not a number."}));
    EXPECT_EQ(r->problems[1].text, "Weather, DOY 199 (cell E200), Rad (MJ/m2): the value is missing.");
    // Nothing estimated into a table that failed to read.
    EXPECT_EQ(weather.text(2, 7), "");

    // A whole column of text: the first twenty cells are named, the rest counted.
    form = RunnableForm();
    for (int row = 2; row <= 366; ++row) form.setCell(ctl::sprWeather, row, 2, "n/a");
    r = Read(form);
    ASSERT_EQ(r->problems.size(), 21u);
    EXPECT_EQ(r->problems.back().text, "... and 345 more weather cells with problems.");
}

TEST(ReadAllInputs, MissingHumidityIsEstimatedAndMarkedInTheGrid) {
    FormModel form = RunnableForm();
    auto r = Read(form);
    ASSERT_TRUE(r->problems.empty());
    const Grid& weather = form.grid(ctl::sprWeather);
    EXPECT_NEAR(r->run->weather.RHmin[10], 47.15, 0.01); // Tmin 18, Tmax 28
    EXPECT_EQ(weather.text(11, 6), "100");
    EXPECT_EQ(std::stof(weather.text(11, 7)), r->run->weather.RHmin[10]);
    EXPECT_EQ(weather.background(11, 7), kLightCyan);
    EXPECT_EQ(weather.background(366, 6), kLightCyan);

    // With a humidity title the workbook's own values are read and nothing is marked.
    form = RunnableForm();
    const Grid& given = form.grid(ctl::sprWeather);
    form.setCell(ctl::sprWeather, 1, 6, "RHmax");
    for (int row = 2; row <= 366; ++row) {
        form.setCell(ctl::sprWeather, row, 6, "90");
        form.setCell(ctl::sprWeather, row, 7, "40");
    }
    r = Read(form);
    ASSERT_TRUE(r->problems.empty());
    EXPECT_EQ(r->run->weather.RHmin[200], 40.0f);
    EXPECT_FALSE(given.background(2, 7).has_value());
}

// A template's humidity titles over empty columns: estimated as under blank titles, with one warning; a
// column partly filled is still refused cell by cell.
TEST(ReadAllInputs, HumidityTitledButEmptyIsEstimatedAsIfUntitled) {
    FormModel untitled = RunnableForm();
    const Compilation blank = CompileInputs(untitled);
    ASSERT_TRUE(blank.inputs && blank.warnings.empty());

    FormModel titled = RunnableForm();
    titled.setCell(ctl::sprWeather, 1, 6, "RHmax(%)");
    titled.setCell(ctl::sprWeather, 1, 7, "RHmin(%)");
    titled.setCell(ctl::sprWeather, 40, 7, "  ");
    const Compilation empty = CompileInputs(titled);
    ASSERT_TRUE(empty.inputs) << empty.problems.front().text;
    EXPECT_TRUE(empty.inputs->humidityEstimated);
    EXPECT_EQ(empty.inputs->weather.RHmax, blank.inputs->weather.RHmax);
    EXPECT_EQ(empty.inputs->weather.RHmin, blank.inputs->weather.RHmin);
    EXPECT_EQ(Texts(empty.warnings),
              (std::vector<std::string>{
                  "Weather: the humidity columns \"RHmax(%)\" and \"RHmin(%)\" have titles but no values, so "
                  "RHmax and RHmin are estimated from the temperatures, as for a sheet whose humidity titles "
                  "are blank."}));

    titled.setCell(ctl::sprWeather, 1, 7, "");
    const Compilation oneTitle = CompileInputs(titled);
    ASSERT_EQ(oneTitle.warnings.size(), 1u);
    EXPECT_TRUE(oneTitle.warnings[0].text.starts_with(
        "Weather: the humidity column \"RHmax(%)\" has a title but no values, so"));
    titled.setCell(ctl::sprWeather, 1, 7, "RHmin(%)");

    titled.setCell(ctl::sprWeather, 101, 6, "95");
    const Compilation partly = CompileInputs(titled);
    EXPECT_FALSE(partly.inputs);
    EXPECT_TRUE(partly.warnings.empty());
    ASSERT_EQ(partly.problems.size(), 21u);
    // The empty humidity cells of the days the run reads, DOY 99 to 250, less the one filled.
    EXPECT_EQ(partly.problems.back().text, "... and 283 more weather cells with problems.");
}

TEST(ReadAllInputs, AFailedReadingLeavesThePreviousRunParameters) {
    FormModel form = RunnableForm(100, 250, 120);
    Reading r;
    ASSERT_TRUE(ReadAllInputs(form, *r.run).empty());
    form.setText(ctl::txtInitialDate, "150");
    form.setText(ctl::txtRUE, "fast");
    EXPECT_FALSE(ReadAllInputs(form, *r.run).empty());
    EXPECT_EQ(r.run->control.InitialDate, 100);
    EXPECT_EQ(r.run->crop.RUE, 2.3f);
}

TEST(ReadAllInputs, SoilAndDiseasesSwitchedOnNeedTheirTablesAndClass) {
    FormModel form = RunnableForm();
    form.setCheck(ctl::chkSoil, 1);
    form.setCheck(ctl::chkDiseases, 1);
    form.setText(ctl::txtBlastClass, "high");
    auto r = Read(form);
    const std::vector<std::string> expected = {
        "I notice something wrong with your soil file...",
        "Blast susceptibility class: \"high\" is not 1, 2 or 3; choose the variety in the diseases window."};
    EXPECT_EQ(Texts(r->problems), expected);

    test::SetRow(form, ctl::sprSoilPhysics, 1, {"200", "1.3", "1", "30", "30"});
    form.setCell(ctl::sprSoilPhysics, 1, 13, "1");
    form.setText(ctl::txtBlastClass, "2");
    r = Read(form);
    ASSERT_TRUE(r->problems.empty()) << r->problems.front().text;
    EXPECT_EQ(r->run->control.NLayers, 1);
    EXPECT_TRUE(r->run->control.SoilCorrectlyOpen);
    EXPECT_EQ(r->run->control.SoilLayers[1][1], 1.3);
    EXPECT_EQ(r->run->control.SoilLayers[1][5], -1.0); // alpha to be estimated
}

} // namespace
} // namespace tulo
