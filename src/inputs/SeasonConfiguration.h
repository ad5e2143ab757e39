#pragma once
// A season's configuration as typed data: everything a configuration file (".sim") holds, with the
// numbers held as numbers. The configuration file reads into it and writes from it
// (inputs/ConfigurationFile.h), and the main window's form is mapped onto it, so the file, the form and
// the readers of a season agree on one content.
//
// Users type into the window, and the window saves what they typed: a number box may hold a text that
// is no number, which the run then refuses by its field. So a number item that does not read keeps its
// text, and a number written otherwise than its canonical form ("2.0", "0.30", a date in the weather's
// day column) keeps it too, so that every file TULO wrote comes back byte for byte. Everything that
// reads is held as a number in the precision the run reads it with.

#include "base/DailySeries.h"
#include "engine/Grid.h"
#include "engine/InputItems.h"
#include "engine/Parameters.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// A number item: the value its text reads as (none when blank or not a number), and its text when the
// value does not say it (a text that does not read, or a number not written in its canonical form).
// Both empty: a blank item.
template <class T> struct NumberItem {
    std::optional<T> value;
    std::string text;

    bool blank() const { return !value && text.empty(); }
    friend bool operator==(const NumberItem&, const NumberItem&) = default;
};
// Read as the run reads its fields: a whole number rounded half to even, a single-precision number
// refused beyond the largest float, a real number as parsed; decimal commas allowed.
using WholeItem = NumberItem<std::int32_t>;
using SingleItem = NumberItem<float>;
using RealItem = NumberItem<double>;

// The item a text makes: the value it reads as, with the text kept when the value does not say it.
WholeItem ReadWholeItem(std::string text);
SingleItem ReadSingleItem(std::string text);
RealItem ReadRealItem(std::string text);

// The canonical text of a number: std::to_string for whole numbers, the shortest text that reads back
// as the same value for single and real numbers ("0.1", "70000", "2.5").
std::string CanonicalText(std::int32_t value);
std::string CanonicalText(float value);
std::string CanonicalText(double value);

// The text an item stands for: its kept text, else its value's canonical text, else "".
template <class T> std::string ItemText(const NumberItem<T>& item) {
    if (!item.text.empty() || !item.value) return item.text;
    return CanonicalText(*item.value);
}

// A crop parameter's item, in the run's precision: a single-precision parameter holds a float's value, a
// 32-bit one a whole number, a list its choice's code, a check box 0 or 1.
using CropItem = NumberItem<double>;
CropItem ReadCropItem(const ParameterInfo& info, std::string text);
// A list's item stands for its choice's text; every other for its number's.
std::string CropItemText(const ParameterInfo& info, const CropItem& item);

// Every crop parameter blank, but the check boxes' switches, which are never blank: 0.
std::vector<CropItem> BlankCropItems();

// A table of numbers, row by row, a blank cell NaN. The few cells that keep a text (see NumberItem) keep
// it beside the values. Rows and columns count from 0.
class NumberTable {
public:
    NumberTable() = default;
    NumberTable(int rows, int cols);

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    // Adds a blank row at the end.
    void addRow();

    // The cell's value; NaN when blank or not a number.
    double value(int row, int col) const { return values_.at(index(row, col)); }
    // The cell's kept text, or none when its value says it (or it is blank).
    const std::string* keptText(int row, int col) const;
    void setValue(int row, int col, double value);
    // The cell as a text makes it (see NumberItem), and the text it stands for.
    void setText(int row, int col, std::string text);
    std::string text(int row, int col) const;

    // Blank cells are equal, though NaN is equal to nothing.
    friend bool operator==(const NumberTable& a, const NumberTable& b);

private:
    std::size_t index(int row, int col) const;

    int rows_ = 0;
    int cols_ = 0;
    std::vector<double> values_;
    std::map<std::size_t, std::string> texts_;
};

// A grid's rows from row 1 while column 1 holds a text, at most `limit`, in a table of `cols` columns:
// the rows of the form's and of an imported sheet's water and soil tables that a configuration holds.
NumberTable TableFromGrid(const Grid& grid, int limit, int cols);

// The columns of the tables, from 0.
enum WaterInflowColumn { InflowFirstDay, InflowLastDay, InflowDaily /* mm */, InflowHours /* h */ };
enum WaterOutflowColumn { OutflowFirstDay, OutflowLastDay, OutflowDaily /* mm */ };
enum WeatherTableColumn {
    WeatherDay,       // the day of year, or blank; a date stands for its day and is kept as written
    WeatherRain,      // mm
    WeatherTmax,      // °C
    WeatherTmin,      // °C
    WeatherRadiation, // MJ/m2
    WeatherRHmax,     // %
    WeatherRHmin,     // %
};

// Where a configuration's file ends. Files of older layouts end after the soil table (item 44) or after
// the cold shock's items (item 52); their later items then take a new season's values, which whoever
// turns the configuration into a season supplies.
enum class ConfigurationLayout { ThroughSoil = 44, ThroughColdShock = 52, Complete = 58 };

struct SeasonConfiguration {
    // Written with the byte-order mark and the empty last line that say the file is complete (files
    // written before the mark have neither).
    bool endMarked = true;
    ConfigurationLayout layout = ConfigurationLayout::Complete;

    // Items 1 to 3. Days here and below are days of the season, counted from 1 January of its year
    // (base/Calendar.h): days of year inside the first year.
    WholeItem initialDate; // the first simulated day
    WholeItem finalDate;   // the day after the last simulated day
    bool soilSimulation = false;
    // Items 4 to 30 and 55 to 58, indexed like the registry (an entry no item stores stays blank).
    std::vector<CropItem> crop = BlankCropItems();

    // Items 31 to 37.
    WholeItem sowingDate; // day of year
    SingleItem latitude;  // degrees, north positive
    std::string flooding; // the irrigation strategy's choice
    bool fixedWaterLevel = false;
    SingleItem waterLevel; // cm
    bool dynamicWaterLevel = false;
    RealItem initialWaterLevel; // cm

    // Items 38 to 44: the water tables' and the soil table's rows as the file holds them, the weather's
    // 365 days after its title row. A season that crosses 31 December has more weather days, the next
    // year's, in items 62 and 63.
    NumberTable waterInflow{0, kWaterInputCols};   // WaterInflowColumn
    NumberTable waterOutflow{0, kWaterOutputCols}; // WaterOutflowColumn
    std::array<std::string, kWeatherCols> weatherTitles;
    NumberTable weather{kLastDay, kWeatherCols}; // WeatherTableColumn, row d - 1 for day d (365 or more)
    // The soil table's columns, one row per layer: thickness (mm), bulk density (g/cm3), carbon, clay and
    // sand (%), van Genuchten's alpha (1/cm) and n, residual water content (m3/m3), field capacity and
    // permanent wilting point (m3/m3), saturated water content (m3/m3), saturated hydraulic conductivity
    // (mm/h), water at the start (mm).
    NumberTable soil{0, kSoilCols};

    // Items 45 to 52.
    bool diseaseSimulation = false;
    WholeItem blastClass;                 // the cultivar's susceptibility class
    std::string blastProduct;             // the product's name
    std::vector<WholeItem> treatmentDays; // day of year of each treatment
    int reportOption = 0;                 // 0 never, 1 ask, 2 always
    bool raiseWaterAgainstColdShock = false;
    SingleItem preFloweringWaterLevel; // cm

    // Items 53 and 54; the transplanting's crop parameters are among `crop`.
    bool transplanted = false;
    WholeItem transplantingDate; // day of year

    // Item 59, written only when known (or left empty before items 60 to 63). Items 60 and 61, the first
    // and last simulated days as dates, are written with the later weather days when the season reaches
    // beyond day 365, and read back against items 1 and 2.
    std::optional<int> year;

    friend bool operator==(const SeasonConfiguration&, const SeasonConfiguration&) = default;
};

} // namespace tulo
