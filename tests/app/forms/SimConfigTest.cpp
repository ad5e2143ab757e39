#include "forms/SimConfig.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tulo {
namespace {

namespace fs = std::filesystem;
using test::Slurp;

constexpr std::string_view kMark = "\xEF\xBB\xBF";

// The items' lines of a saved file, without the byte-order mark before them and the empty line after.
std::vector<std::string> Lines(std::string text) {
    if (text.starts_with(kMark)) text.erase(0, kMark.size());
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (text.ends_with("\r\n\r\n")) lines.pop_back();
    return lines;
}

std::string Join(const std::vector<std::string>& lines, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += lines[i] + "\r\n";
    return text;
}

void FillRows(FormModel& form, std::string_view grid, int rows, const std::string& tag) {
    form.editGrid(grid, [&](Grid& g) {
        for (int r = 1; r <= rows; ++r)
            for (int c = 1; c <= g.cols(); ++c)
                g.setText(r, c, tag + std::to_string(r) + "," + std::to_string(c));
    });
}

// A form where every stored control differs from its opening value.
FormModel FullForm() {
    FormModel form;
    form.setText(ctl::txtInitialDate, "120");
    form.setText(ctl::txtFinalDate, "300");
    form.setCheck(ctl::chkSoil, 1);
    form.setText(ctl::txtRUE, "2,7");          // decimal comma
    form.setText(ctl::txtK, "0.5, or so");     // comma inside
    form.setText(ctl::txtDLC, "say \"12\" h"); // quotes inside
    form.setText(ctl::txtDLO, "\"quoted\"");   // enclosing quotes belong to the text
    form.setText(ctl::txtTSUM1, "  900 ");     // blanks around
    form.setText(ctl::cmbIDSL, std::string(choice::Both));
    form.setCheck(ctl::chkSterilityActive, 1);
    form.setText(ctl::cmbSenDuration, std::string(choice::RestrictedPeriod));
    form.setText(ctl::txtSowingDate, "130");
    form.setText(ctl::txtLatitude, "45,2");
    form.setText(ctl::cmbFlooded, std::string(choice::Flooded));
    form.setOption(ctl::OptionDynamicWlevel, true);
    form.setText(ctl::txtInitialWaterLevel, "8");
    FillRows(form, ctl::sprDynWaterInput, 60, "in");
    FillRows(form, ctl::sprDynWaterOutput, kWaterOutputRows, "out");
    FillRows(form, ctl::sprSoilPhysics, kSoilRows, "soil");
    FillRows(form, ctl::sprWeather, kWeatherRows, "w");
    form.editGrid(ctl::sprWeather, [](Grid& weather) {
        for (int r = 2; r <= kWeatherRows; ++r) weather.setText(r, 1, r == 3 ? "" : std::to_string(r - 1));
    });
    form.setCheck(ctl::chkDiseases, 1);
    form.setText(ctl::txtBlastClass, "3");
    form.setText(ctl::cmbBlastProduct, "Beam, 75 WP");
    form.editGrid(ctl::sprBlastTreatment, [](Grid& treatments) {
        treatments.resize(3, 1);
        treatments.setText(1, 1, "150");
        treatments.setText(2, 1, "171");
        treatments.setText(3, 1, "");
    });
    form.setOption(ctl::optReportAsk, true);
    form.setCheck(ctl::optWlevelIncrease, 1);
    form.setText(ctl::txtPreFlowWaterLevel, "17,5");
    form.setCheck(ctl::chkTransplanted, 1);
    form.setText(ctl::txtTransplantingDate, "152");
    form.setText(ctl::txtNPLSB, "800");
    form.setText(ctl::txtNH, "33,3");
    form.setText(ctl::txtNPLH, "2");
    form.setText(ctl::txtSHCKD, "0.25");
    return form;
}

class SimConfigFiles : public test::ScratchFolderTest {
protected:
    std::vector<fs::path> Entries() const {
        std::vector<fs::path> entries;
        for (const auto& e : fs::directory_iterator(dir_)) entries.push_back(e.path().filename());
        return entries;
    }
};

TEST(SimConfig, WritesOneItemPerCrLfLineWithIntegerAndTruthForms) {
    FormModel form;
    form.setCheck(ctl::chkSterilityActive, -1); // not a state the window gives, but it shows the sign
    form.setOption(ctl::OptionFixWlevel, true);
    FillRows(form, ctl::sprSoilPhysics, kSoilRows, "s");
    const std::string text = FormatSimConfig(form);
    const auto lines = Lines(text);
    ASSERT_TRUE(text.starts_with(kMark));
    ASSERT_TRUE(text.ends_with("0.4\r\n\r\n")); // the empty line that marks the end
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(lines.size()) + 1);

    EXPECT_EQ(lines[2], " 0 ");  // item 3
    EXPECT_EQ(lines[26], "-1 "); // item 27
    EXPECT_EQ(lines[33], "True");
    EXPECT_EQ(lines[35], "False");
    // Empty water tables: their counts and no cells, then the whole weather table.
    EXPECT_EQ(lines[37], " 0 ");
    EXPECT_EQ(lines[38], " 0 ");
    const std::size_t soilCount = 39 + kWeatherRows * kWeatherCols;
    EXPECT_EQ(lines[soilCount], " 15 ");
    EXPECT_EQ(lines[soilCount + 1], "s1,1");
    const std::size_t disease = soilCount + 1 + kSoilRows * kSoilCols;
    EXPECT_EQ(lines[disease], " 0 ");
    EXPECT_EQ(lines[disease + 1], "1");
    EXPECT_EQ(lines[disease + 2], choice::NoTreatment);
    EXPECT_EQ(lines[disease + 3], " 0 "); // no treatments
    EXPECT_EQ(lines[disease + 4], " 0 "); // report never
    EXPECT_EQ(lines[disease + 6], "15");
    const std::size_t transplanting = disease + 7;
    EXPECT_EQ(lines[transplanting], " 0 "); // sown in the field
    EXPECT_EQ(lines[transplanting + 1], "");
    EXPECT_EQ(lines[transplanting + 2], "1000");
    EXPECT_EQ(lines[transplanting + 5], "0.4");
    EXPECT_EQ(lines.size(), transplanting + 6);
}

TEST(SimConfig, ReopeningGivesTheSavedFormEvenOverAnotherConfiguration) {
    const FormModel saved = FullForm();
    FormModel fresh;
    ASSERT_TRUE(ParseSimConfig(FormatSimConfig(saved), fresh));
    EXPECT_EQ(fresh, saved);
    EXPECT_EQ(fresh.text(ctl::txtK), "0.5, or so");
    EXPECT_EQ(fresh.grid(ctl::sprDynWaterInput).text(60, 3), "in60,3");
    EXPECT_EQ(fresh.grid(ctl::sprWeather).text(366, 7), "w366,7");

    // Fewer rows loaded over fuller tables: the old rows must not survive, nor the old humidity markers.
    FormModel small;
    small.setOption(ctl::OptionFixWlevel, true);
    FillRows(small, ctl::sprSoilPhysics, 2, "new");
    FillRows(small, ctl::sprDynWaterInput, 1, "new");
    FormModel target = FullForm();
    target.editGrid(ctl::sprWeather, [](Grid& weather) { weather.setBackground(5, 7, kLightCyan); });
    ASSERT_TRUE(ParseSimConfig(FormatSimConfig(small), target));
    EXPECT_EQ(target, small);
    EXPECT_EQ(target.grid(ctl::sprDynWaterInput).text(2, 4), "24"); // the opening hours value
    EXPECT_FALSE(target.grid(ctl::sprWeather).background(5, 7).has_value());
}

TEST(SimConfig, TextsSurviveTheOneLinePerItemLayout) {
    FormModel form;
    form.setCell(ctl::sprWeather, 1, 1, "Day\r\nof year");
    form.setCell(ctl::sprWeather, 1, 2, "Rain\n");
    FormModel back;
    ASSERT_TRUE(ParseSimConfig(FormatSimConfig(form), back));
    EXPECT_EQ(back.grid(ctl::sprWeather).text(1, 1), "Day of year");
    EXPECT_EQ(back.grid(ctl::sprWeather).text(1, 2), "Rain ");

    // Files from older versions: LF endings, quoted fields, Windows code page, a byte-order mark.
    auto lines = Lines(FormatSimConfig(FormModel{}));
    lines[14] = " \"2,5\" ";
    lines[39] = "Tmax (\xB0"
                "C)";
    std::string text = "\xEF\xBB\xBF";
    for (const auto& line : lines) text += line + "\n";
    ASSERT_TRUE(ParseSimConfig(text, back));
    EXPECT_EQ(back.text(ctl::txtRUE), "2,5");
    EXPECT_EQ(back.grid(ctl::sprWeather).text(1, 1), "Tmax (\xC2\xB0"
                                                     "C)");
    EXPECT_EQ(back.text(ctl::txtInitialDate), "");
}

TEST(SimConfig, AFileEndingAfterTheClassicItemsGivesTheLaterControlsTheirOpeningValues) {
    const FormModel saved = FullForm();
    const auto lines = Lines(FormatSimConfig(saved));
    const std::size_t classic = 37 + 1 + 60 * 4 + 1 + 50 * 3 + kWeatherRows * kWeatherCols + 1 + 15 * 13;

    for (const char* tail : {"", "\r\n  \r\n"}) {
        FormModel form = FullForm();
        ASSERT_TRUE(ParseSimConfig(Join(lines, classic) + std::string(tail), form));
        const FormModel opening;
        EXPECT_EQ(form.check(ctl::chkDiseases), 0);
        EXPECT_EQ(form.text(ctl::txtBlastClass), "1");
        EXPECT_EQ(form.text(ctl::cmbBlastProduct), choice::NoTreatment);
        EXPECT_EQ(form.grid(ctl::sprBlastTreatment), opening.grid(ctl::sprBlastTreatment));
        EXPECT_TRUE(form.option(ctl::optReportNever));
        EXPECT_EQ(form.check(ctl::optWlevelIncrease), 0);
        EXPECT_EQ(form.text(ctl::txtPreFlowWaterLevel), "15");
        EXPECT_EQ(form.text(ctl::txtRUE), "2,7");
    }

    // A file of the layout before the transplanting: the crop is sown in the field.
    const std::size_t beforeTransplanting = lines.size() - 6;
    for (const char* tail : {"", "\r\n"}) {
        FormModel form;
        ASSERT_TRUE(ParseSimConfig(Join(lines, beforeTransplanting) + std::string(tail), form));
        EXPECT_EQ(form.check(ctl::chkTransplanted), 0);
        EXPECT_EQ(form.text(ctl::txtTransplantingDate), "");
        EXPECT_EQ(form.text(ctl::txtNPLSB), "1000");
        EXPECT_EQ(form.text(ctl::txtSHCKD), "0.4");
        EXPECT_EQ(form.text(ctl::txtPreFlowWaterLevel), "17,5");
    }

    // A file this version saved, cut at an older layout's end, is no file of that layout.
    const std::string marked(kMark);
    for (const auto& [count, next] : {std::pair{classic, "item 45, disease simulation switch"},
                                      {beforeTransplanting, "item 53, transplanting switch"}}) {
        FormModel form;
        EXPECT_EQ(ParseSimConfig(marked + Join(lines, count), form).message,
                  "Line " + std::to_string(count + 1) + " (" + next + "): the file ends before this item.");
        EXPECT_EQ(form, FormModel{});
        // Saved so, with its end mark, it is that layout's.
        EXPECT_TRUE(ParseSimConfig(marked + Join(lines, count) + "\r\n", form));
        EXPECT_EQ(form.text(ctl::txtRUE), "2,7");
    }

    FormModel form;
    EXPECT_EQ(ParseSimConfig(Join(lines, beforeTransplanting + 2), form).message,
              "Line " + std::to_string(beforeTransplanting + 3) +
                  " (item 55, seedbed density): the file ends before this item.");
    EXPECT_EQ(ParseSimConfig(Join(lines, classic + 3), form).message,
              "Line " + std::to_string(classic + 4) +
                  " (item 48, number of blast treatments): the file ends before this item.");
    EXPECT_EQ(form, FormModel{});
}

// The season's year follows the last item, written only when known: a season without one saves as it
// always did, and a file without one leaves no year of the configuration open before.
TEST(SimConfig, TheSeasonsYearFollowsTheLastItemOnlyWhenKnown) {
    const std::string yearless = FormatSimConfig(FullForm());
    FormModel dated = FullForm();
    dated.setText(ctl::txtSeasonYear, "2020");
    const std::string text = FormatSimConfig(dated);
    // The year goes before the empty line that ends the file.
    EXPECT_EQ(text, yearless.substr(0, yearless.size() - 2) + " 2020 \r\n\r\n");

    FormModel form;
    ASSERT_TRUE(ParseSimConfig(text, form));
    EXPECT_EQ(form, dated);
    EXPECT_EQ(FormatSimConfig(form), text);
    ASSERT_TRUE(ParseSimConfig(yearless, form));
    EXPECT_EQ(form, FullForm());
    EXPECT_EQ(FormatSimConfig(form), yearless);
    const auto lines = Lines(yearless);
    const std::size_t classic = 37 + 1 + 60 * 4 + 1 + 50 * 3 + kWeatherRows * kWeatherCols + 1 + 15 * 13;
    for (const std::size_t count : {classic, lines.size() - 6, lines.size()}) {
        form = dated;
        ASSERT_TRUE(ParseSimConfig(Join(lines, count), form)) << count;
        EXPECT_EQ(form.text(ctl::txtSeasonYear), "") << count;
    }
    ASSERT_TRUE(ParseSimConfig(yearless + "\r\n", form));

    const std::string line = "Line " + std::to_string(lines.size() + 1);
    for (const char* damaged : {"2019.5", "0", "12345", "MMXX"}) {
        form = dated;
        EXPECT_EQ(ParseSimConfig(yearless.substr(0, yearless.size() - 2) + damaged + "\r\n", form).message,
                  line + " (item 59, season's year): \"" + damaged +
                      "\" is not a year (a whole number from 1 to 9999).");
        EXPECT_EQ(form, dated);
    }
    // After the year and the empty line that ends the file.
    EXPECT_EQ(ParseSimConfig(text + "2021\r\n", form).message,
              "Line " + std::to_string(lines.size() + 3) +
                  ": \"2021\" follows item 59 (season's year), the last item of a configuration.");
}

TEST(SimConfig, RefusesDamagedFilesNamingLineAndItemAndLeavesTheFormAlone) {
    const auto lines = Lines(FormatSimConfig(FullForm()));
    const auto damaged = [&lines](std::size_t index, std::string line) {
        auto copy = lines;
        copy[index] = std::move(line);
        return Join(copy, copy.size());
    };
    const std::string inflowCount = "Line 38 (item 38, number of rows of the water-inflow table): ";
    const std::size_t treatmentCount = lines.size() - 13;
    const std::pair<std::string, std::string> cases[] = {
        {damaged(37, "abc"), inflowCount + "\"abc\" is not a whole number."},
        {damaged(37, "1.0"), inflowCount + "\"1.0\" is not a whole number."},
        {damaged(37, " 101 "), inflowCount + "\"101\" is more rows than the table holds (100)."},
        {damaged(37, "-1 "), inflowCount + "\"-1\" is a negative number of rows."},
        {damaged(2, " 2 "), "Line 3 (item 3, soil simulation switch): \"2\" is not 0 or 1."},
        {damaged(33, "Yes"), "Line 34 (item 34, fixed water level selected): \"Yes\" is not True or False."},
        {damaged(lines.size() - 9, "3"),
         "Line " + std::to_string(lines.size() - 8) + " (item 50, report option): \"3\" is not 0, 1 or 2."},
        {damaged(lines.size() - 6, "yes"), "Line " + std::to_string(lines.size() - 5) +
                                               " (item 53, transplanting switch): \"yes\" is not a "
                                               "whole number."},
        // 429 lines precede the weather table, so line 437 is row 2's day, 444 row 3's and 451 row 4's.
        {damaged(436, "one"),
         "Line 437 (item 42, weather table, row 2, column 1): the day column holds \"one\" "
         "but this row is DOY 1; the table must list the days 1 to 365 in order."},
        {damaged(450, "w4,7"),
         "Line 451 (item 42, weather table, row 4, column 1): the day column holds "
         "\"w4,7\" but this row is DOY 3; the table must list the days 1 to 365 in order."},
        // 429 lines precede the weather table, so line 501 is its 72nd cell.
        {Join(lines, 500),
         "Line 501 (item 42, weather table, row 11, column 2): the file ends before this item."},
        {"", "Line 1 (item 1, initial date): the file ends before this item."},
        // A damaged count of treatments runs into the end of the file instead of the allocator.
        {damaged(treatmentCount, "2000000000"), "Line " + std::to_string(lines.size() + 1) +
                                                    " (item 49, blast treatment days, row 13): the file ends "
                                                    "before this item."},
    };
    const FormModel before = FullForm();
    for (const auto& [text, message] : cases) {
        FormModel form = FullForm();
        EXPECT_EQ(ParseSimConfig(text, form).message, message);
        EXPECT_EQ(form, before) << message;
    }
}

TEST(SimConfig, ReadingStopsWhereTheConfigurationEndsAndTakesNoMemoryPerLine) {
    const std::string text = FormatSimConfig(FullForm());
    const std::size_t lines = Lines(text).size();
    FormModel form;
    EXPECT_TRUE(ParseSimConfig(text + "\r\n  \n\t\r", form)); // blanks an editor leaves
    EXPECT_EQ(ParseSimConfig(text + "\r\n" + Join(Lines(text), lines), form).message,
              "Line " + std::to_string(lines + 3) +
                  ": \"120\" follows item 59 (season's year), the last item of a configuration.");

    // Millions of empty lines: after the last item, and as the days of a damaged treatment count.
    const std::size_t count = lines - 13;
    auto damaged = Lines(text);
    damaged[count] = "2000000000";
    const std::string blank(20'000'000, '\n');
    const std::string trailing = text + blank, asDays = Join(damaged, count + 1) + blank;
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_TRUE(ParseSimConfig(trailing, form));
    EXPECT_EQ(ParseSimConfig(asDays, form).message,
              "Line " + std::to_string(count + 367) +
                  " (item 49, blast treatment days, row 366): item 48 gives 2000000000 treatments, but a "
                  "season has at most 365.");
    rusage peak{};
    getrusage(RUSAGE_SELF, &peak);
    EXPECT_LT((peak.ru_maxrss - before.ru_maxrss) * 1024L, static_cast<long>(blank.size()));
    EXPECT_EQ(form, FullForm());
}

TEST_F(SimConfigFiles, LoneCrLinesReadAlikeAndWhatIsNoConfigurationIsRefusedByName) {
    const std::string text = FormatSimConfig(FullForm());
    std::string crOnly;
    for (char c : text)
        if (c != '\n') crOnly += c;
    FormModel form;
    EXPECT_TRUE(ParseSimConfig(crOnly, form));
    EXPECT_EQ(form, FullForm());

    // A value of megabytes is quoted by its first 60 characters, never cut inside one.
    auto lines = Lines(text);
    lines[37] = std::string(10'000'000, '7') + "x";
    EXPECT_EQ(ParseSimConfig(Join(lines, lines.size()), form).message,
              "Line 38 (item 38, number of rows of the water-inflow table): \"" + std::string(60, '7') +
                  "...\" is not a whole number.");
    std::string accents;
    for (int k = 0; k < 70; ++k) accents += "\xC3\xA9"; // é
    lines[37] = accents;
    EXPECT_NE(
        ParseSimConfig(Join(lines, lines.size()), form).message.find("\"" + accents.substr(0, 120) + "...\""),
        std::string::npos);

    const fs::path large = dir_ / "large.sim";
    std::ofstream(large) << text;
    fs::resize_file(large, (std::uintmax_t{64} << 20) + 1); // sparse: nothing is written
    for (const auto& [file, why] :
         {std::pair<fs::path, std::string>{dir_, "it is a folder"},
          {"/dev/zero", "it is not a regular file (a device, a pipe or a socket)"},
          {large, "it holds 67108865 bytes, more than 64 MiB (67108864 bytes), the most TULO "
                  "reads of such a file"}})
        EXPECT_EQ(ReadSimConfig(file, form).message,
                  "Cannot read the configuration \"" + file.string() + "\": " + why + ".");
    EXPECT_EQ(form, FullForm());
}

TEST_F(SimConfigFiles, AFailedSaveReportsItAndLeavesNoPartialFile) {
    const FormModel form = FullForm();
    const auto intoMissingFolder = WriteSimConfig(form, dir_ / "no such folder" / "a.sim");
    ASSERT_EQ(intoMissingFolder, Outcome::Failed);
    EXPECT_NE(intoMissingFolder.message.find("a.sim"), std::string::npos);
    EXPECT_TRUE(Entries().empty());

    // A folder in the way of the target: the rename fails after the temporary file was written.
    const fs::path folder = dir_ / "taken.sim";
    fs::create_directory(folder);
    std::ofstream(folder / "inside.txt") << "keep";
    EXPECT_EQ(WriteSimConfig(form, folder), Outcome::Failed);
    EXPECT_EQ(Entries(), std::vector<fs::path>{"taken.sim"});
    EXPECT_EQ(Slurp(folder / "inside.txt"), "keep");
}

} // namespace
} // namespace tulo
