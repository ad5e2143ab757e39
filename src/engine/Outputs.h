#pragma once
// The outputs of a run as its readers see them: the registry of daily series (names, units,
// descriptions and accessors, shared by the command line's columns and every later list of series),
// the report variables, and the two chart matrices.

#include "engine/RunState.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

enum class OutputPrecision { Single, Double, Text };

struct OutputVariable {
    std::string_view name;
    std::string_view unit;
    std::string_view description;
    OutputPrecision precision;
    double (*value)(const RunState&, int day);          // numeric series
    std::string_view (*text)(const RunState&, int day); // text series (the phase name)
};

// Every daily series of a run, in a fixed order.
const std::vector<OutputVariable>& DailyOutputVariables();

// The value of a series on a day, as text that reads back exactly (9 significant digits for single
// series, 17 for double ones).
std::string FormatOutput(const OutputVariable& variable, const RunState& run, int day);
// The text of a numeric series written at `out`, which has room for kNumberTextChars characters; the end
// of the text is returned.
char* WriteOutputNumber(const OutputVariable& variable, const RunState& run, int day, char* out);

// A numeric daily series on one day, named "NAME@DOY" ("LAI@200"), as the ensemble's columns are.
struct DailyValueName {
    enum class Problem { None, NotNameAtDay, NotSimulatedDay };
    Problem problem = Problem::None; // NotNameAtDay: no '@', no such numeric series, or no day number
    const OutputVariable* variable = nullptr; // set when there is no problem
    std::int32_t day = 0;                     // the day read, also when it is not simulated
};
// Reads a name; a day outside the simulated days InitialDate .. FinalDate - 1 is refused, so that each
// caller words its own message.
DailyValueName ParseDailyValueName(std::string_view name, std::int32_t initialDate, std::int32_t finalDate);

// A chart matrix: row k for the day InitialDate + k, single precision.
class ChartMatrix {
public:
    ChartMatrix() = default;
    ChartMatrix(int rows, int cols)
        : rows_(rows), cols_(cols), values_(static_cast<std::size_t>(rows * cols)) {}
    int rows() const { return rows_; }
    int cols() const { return cols_; }
    float at(int row, int col) const { return values_[static_cast<std::size_t>(row * cols_ + col)]; }
    float& at(int row, int col) { return values_[static_cast<std::size_t>(row * cols_ + col)]; }

private:
    int rows_ = 0, cols_ = 0;
    std::vector<float> values_;
};

enum class Chart { Crop, Microclimate };

// The thirteen report variables, in report order: header, tick-box caption, and the chart column they
// come from. The first six are also the variables that can be evaluated against measured data.
struct ReportVariable {
    std::string_view header;
    std::string_view caption;
    Chart chart;
    int column;
};
const std::vector<ReportVariable>& ReportVariables();
inline constexpr int kEvaluableVariables = 6;

// Crop chart: DVS, AGB, panicles, leaves, stems (t/ha) and LAI. Microclimate chart: air Tmax and Tmin,
// apex Tmax and Tmin, blast risk, daily sterility x 100, water level. Row k holds the simulated day
// InitialDate + k, up to FinalDate - 1: a chart never shows a day the run did not simulate.
ChartMatrix FillCropChart(const RunState& run);
ChartMatrix FillMicroclimateChart(const RunState& run);
// One value of the crop chart: column 0 to 5 on a simulated day.
float CropChartValue(const RunState& run, int column, int day);

} // namespace tulo
