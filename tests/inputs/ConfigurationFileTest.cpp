#include "inputs/ConfigurationFile.h"

#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace tulo {
namespace {

namespace fs = std::filesystem;

const ParameterInfo& Info(std::string_view id) {
    return *FindParameter(id);
}

// Every configuration file of the tree, outside build folders and hidden ones.
std::vector<fs::path> ConfigurationsInTheTree() {
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(TULO_SOURCE_DIR);
         it != fs::recursive_directory_iterator(); ++it) {
        const std::string name = it->path().filename().string();
        if (it->is_directory() && (name.starts_with("build") || name.starts_with("."))) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_regular_file() && it->path().extension() == ".sim") files.push_back(it->path());
    }
    return files;
}

TEST(ConfigurationFile, EveryConfigurationInTheTreeFormatsBackByteForByte) {
    const std::vector<fs::path> files = ConfigurationsInTheTree();
    EXPECT_GE(files.size(), 5u); // the examples and the fuzzing seeds
    for (const fs::path& file : files) {
        const std::string text = test::Slurp(file);
        const ConfigurationReading reading = ReadConfiguration(text);
        ASSERT_TRUE(reading.configuration) << file << ": " << reading.message;
        EXPECT_EQ(FormatConfiguration(*reading.configuration), text) << file;
        // What reads is held as a number: a row of the examples' weather.
        EXPECT_FALSE(std::isnan(reading.configuration->weather.value(0, WeatherTmax))) << file;
    }
}

TEST(ConfigurationFile, OlderLayoutsAndUnmarkedFilesKeepTheirShape) {
    SeasonConfiguration c;
    c.initialDate = ReadWholeItem("100");
    c.weatherTitles[0] = "DOY";
    c.treatmentDays = {ReadWholeItem("150"), ReadWholeItem("")};
    c.year = 2019;

    // Marked: the empty last line after the last item of the layout; the year only in the complete one.
    c.layout = ConfigurationLayout::ThroughSoil;
    std::string text = FormatConfiguration(c);
    EXPECT_TRUE(text.starts_with("\xEF\xBB\xBF"
                                 "100\r\n"));
    EXPECT_TRUE(text.ends_with(" 0 \r\n\r\n")); // the soil table's row count, item 43
    ConfigurationReading back = ReadConfiguration(text);
    ASSERT_TRUE(back.configuration) << back.message;
    EXPECT_EQ(back.configuration->layout, ConfigurationLayout::ThroughSoil);
    EXPECT_FALSE(back.configuration->year);
    EXPECT_TRUE(back.configuration->treatmentDays.empty());

    c.layout = ConfigurationLayout::ThroughColdShock;
    back = ReadConfiguration(FormatConfiguration(c));
    ASSERT_TRUE(back.configuration) << back.message;
    EXPECT_EQ(back.configuration->layout, ConfigurationLayout::ThroughColdShock);
    EXPECT_EQ(back.configuration->treatmentDays, c.treatmentDays);

    // Unmarked, as files before the mark: no mark, no empty last line, the year still read.
    c.layout = ConfigurationLayout::Complete;
    c.endMarked = false;
    text = FormatConfiguration(c);
    EXPECT_TRUE(text.starts_with("100\r\n"));
    EXPECT_TRUE(text.ends_with("\r\n 2019 \r\n"));
    back = ReadConfiguration(text);
    ASSERT_TRUE(back.configuration) << back.message;
    EXPECT_EQ(*back.configuration, c);

    // A marked file cut where an older layout ends is refused, as it always was.
    c.endMarked = true;
    c.layout = ConfigurationLayout::ThroughSoil;
    text = FormatConfiguration(c);
    text.resize(text.size() - 2);
    back = ReadConfiguration(text);
    EXPECT_FALSE(back.configuration);
    EXPECT_NE(back.message.find("(item 45, disease simulation switch): the file ends before this item."),
              std::string::npos)
        << back.message;
}

TEST(ConfigurationFile, CropParametersKeepTheirItemsAndNames) {
    std::string items;
    for (const CropParameterItem& item : CropParameterItems()) {
        EXPECT_NE(FindParameter(item.id), nullptr) << item.id;
        items += std::to_string(item.item) + " " + std::string(item.name) + "; ";
    }
    EXPECT_EQ(
        items,
        "4 base temperature for development; 5 cut-off temperature for development; 6 thermal time to "
        "emergence; 7 critical day length; 8 optimum day length; 9 development method; 10 base "
        "temperature after emergence; 11 cut-off temperature after emergence; 12 thermal time emergence "
        "to flowering; 13 thermal time flowering to maturity; 14 development stage at harvest; 15 "
        "radiation use efficiency; 16 extinction coefficient; 17 base temperature for growth; 18 "
        "optimum temperature for growth; 19 maximum temperature for growth; 20 LAI at emergence; 21 SLA "
        "at emergence; 22 SLA from stem elongation; 23 partitioning to leaves at emergence; 24 leaf "
        "duration; 25 maximum panicle height; 26 crop coefficient at full canopy; 27 sterility switch; "
        "28 cultivar sensitivity; 29 threshold temperature for sterility; 30 sensitive-period duration; "
        "55 seedbed density; 56 hills per m2; 57 seedlings per hill; 58 transplanting shock; ");
}

TEST(SeasonConfiguration, ANumberKeepsItsTextOnlyWhenItsValueDoesNotSayIt) {
    struct Case {
        std::string text;
        std::optional<double> value;
        bool kept;
    };
    // Real numbers.
    for (const Case& c : std::vector<Case>{
             {"7.9", 7.9, false},
             {"-1.2", -1.2, false},
             {"0", 0, false},
             {"70000", 70000, false},
             {"2.0", 2, true},    // a default text of the window
             {"0.30", 0.3, true}, // as typed
             {"1e3", 1000, true},
             {"2,5", 2.5, true},     // a decimal comma
             {" 7.9", 7.9, true},    // blanks are the user's
             {"1e+21", 1e21, false}, // the shortest text of so large a number
             {"abc", std::nullopt, true},
             {"inf", std::nullopt, true},
             {"", std::nullopt, false},
         }) {
        const RealItem item = ReadRealItem(c.text);
        EXPECT_EQ(item.value, c.value) << c.text;
        EXPECT_EQ(item.text, c.kept ? c.text : "") << c.text;
        EXPECT_EQ(ItemText(item), c.text);
    }
    // Single precision: the shortest text of the float, so that a float's texts stay as the window
    // writes them; beyond the largest float nothing reads.
    EXPECT_EQ(ReadSingleItem("45.3"), (SingleItem{45.3f, ""}));
    EXPECT_EQ(ReadSingleItem("0.1234567891"), (SingleItem{0.1234567891f, "0.1234567891"}));
    EXPECT_EQ(ReadSingleItem("1e39"), (SingleItem{std::nullopt, "1e39"}));
    // Whole numbers round half to even, as the run's fields do, and keep a text that is no whole number.
    EXPECT_EQ(ReadWholeItem("120"), (WholeItem{120, ""}));
    EXPECT_EQ(ReadWholeItem("-5"), (WholeItem{-5, ""}));
    EXPECT_EQ(ReadWholeItem("120.0"), (WholeItem{120, "120.0"}));
    EXPECT_EQ(ReadWholeItem("100.5"), (WholeItem{100, "100.5"}));
    EXPECT_EQ(ReadWholeItem("3e9"), (WholeItem{std::nullopt, "3e9"}));
    EXPECT_TRUE(ReadWholeItem("").blank());
}

TEST(SeasonConfiguration, CropItemsHoldTheRunsPrecisionAndListsTheirCodes) {
    const CropItem rue = ReadCropItem(Info("RUE"), "2.85");
    EXPECT_EQ(rue.value, static_cast<double>(2.85f));
    EXPECT_EQ(CropItemText(Info("RUE"), rue), "2.85");
    EXPECT_EQ(ReadCropItem(Info("RUE"), "2.850").text, "2.850");

    const CropItem method = ReadCropItem(Info("IDSL"), std::string(choice::Both));
    EXPECT_EQ(method, (CropItem{2, ""}));
    EXPECT_EQ(CropItemText(Info("IDSL"), method), choice::Both);
    // The run knows a list's choices exactly: anything else is a text it refuses.
    EXPECT_EQ(ReadCropItem(Info("IDSL"), " Both"), (CropItem{std::nullopt, " Both"}));
    EXPECT_EQ(ReadCropItem(Info("IDSL"), "2"), (CropItem{std::nullopt, "2"}));

    EXPECT_TRUE(ReadCropItem(Info("DLC"), "").blank());
}

TEST(SeasonConfiguration, TableCellsAreNumbersWithTheFewTextsBeside) {
    NumberTable table(2, 3);
    EXPECT_TRUE(std::isnan(table.value(1, 2)));
    EXPECT_EQ(table.text(1, 2), "");
    table.setText(0, 0, "2019-01-01"); // a date in the weather's day column
    table.setText(0, 1, "12.5");
    EXPECT_TRUE(std::isnan(table.value(0, 0)));
    EXPECT_EQ(table.text(0, 0), "2019-01-01");
    EXPECT_EQ(table.value(0, 1), 12.5);
    EXPECT_EQ(table.keptText(0, 1), nullptr);
    table.setText(0, 1, "12.50");
    EXPECT_EQ(table.value(0, 1), 12.5);
    EXPECT_EQ(table.text(0, 1), "12.50");
    // A value set anew says itself.
    table.setValue(0, 1, 3);
    EXPECT_EQ(table.text(0, 1), "3");
    table.addRow();
    EXPECT_EQ(table.rows(), 3);
    EXPECT_EQ(table.text(2, 2), "");
    EXPECT_THROW(table.value(3, 0), std::out_of_range);
}

class ConfigurationFiles : public test::ScratchFolderTest {};

TEST_F(ConfigurationFiles, WrittenFilesReadBackAndAMissingOneIsNamed) {
    SeasonConfiguration c;
    c.latitude = ReadSingleItem("45.1");
    c.weather.setText(0, WeatherRain, "0.4");
    ASSERT_TRUE(WriteConfigurationFile(c, dir_ / "season.sim"));
    const ConfigurationReading back = ReadConfigurationFile(dir_ / "season.sim");
    ASSERT_TRUE(back.configuration) << back.message;
    EXPECT_EQ(*back.configuration, c);
    EXPECT_EQ(ReadConfigurationFile(dir_ / "none.sim").message, "File not opened: it does not exist.");
}

// A season across 31 December keeps its later weather days and names its first and last days as dates
// after the year; a file whose dates no longer agree with items 1 and 2 is refused, not run on either.
TEST_F(ConfigurationFiles, ASeasonAcrossNewYearKeepsItsLaterDaysAndDates) {
    SeasonConfiguration c;
    c.year = 2019;
    c.initialDate = WholeItem{305, {}};
    c.finalDate = WholeItem{365 + 122, {}}; // the last simulated day is 30 April 2020, day 486
    c.weather = NumberTable(365 + 122, kWeatherCols);
    c.weather.setText(365, WeatherDay, "2020-01-01");
    c.weather.setText(365, WeatherTmax, "29.5");
    c.weather.setText(365 + 120, WeatherDay, "2020-04-30");
    const std::string text = FormatConfiguration(c);
    EXPECT_NE(text.find("\r\n 2019 \r\n2019-11-01\r\n2020-04-30\r\n 122 \r\n2020-01-01\r\n"),
              std::string::npos);
    const ConfigurationReading back = ReadConfiguration(text);
    ASSERT_TRUE(back.configuration) << back.message;
    EXPECT_EQ(*back.configuration, c);
    EXPECT_EQ(FormatConfiguration(*back.configuration), text);

    std::string edited = text;
    edited.replace(edited.find("2019-11-01"), 10, "2019-11-02");
    EXPECT_NE(
        ReadConfiguration(edited).message.find("(item 60, first simulated day): \"2019-11-02\" is not the "
                                               "season's first simulated day, 2019-11-01"),
        std::string::npos)
        << ReadConfiguration(edited).message;
    edited = text;
    edited.replace(edited.find("2020-01-01\r\n"), 10, "2020-01-02");
    EXPECT_NE(ReadConfiguration(edited).message.find("this row is day 366 of the season (2020-01-01)"),
              std::string::npos)
        << ReadConfiguration(edited).message;

    // A season inside one year holds the items it always did.
    c.finalDate = WholeItem{300, {}};
    c.weather = NumberTable(kLastDay, kWeatherCols);
    EXPECT_TRUE(FormatConfiguration(c).ends_with("\r\n 2019 \r\n\r\n"));
}

} // namespace
} // namespace tulo
