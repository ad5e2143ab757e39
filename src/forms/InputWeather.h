#pragma once
// The daily weather record, read from the main window's weather grid.
//
// WeatherReader — input: the weather grid (row 1 the workbook's titles, rows 2-366 days 1-365; columns
// 2 rain (mm), 3 Tmax, 4 Tmin (°C), 5 radiation (MJ m-2 d-1), 6 RHmax, 7 RHmin (%)).
// Output: six single-precision series for days 1-365. When the title of column 6 is empty, or the cells of
// columns 6 and 7 are all empty, the workbook brings no humidity: RHmax is set to 100 % and RHmin
// estimated from the temperatures.
//

#include "base/DailySeries.h"
#include "base/Problems.h"
#include "forms/FormModel.h"
#include "inputs/WeatherDays.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

// The days whose values the run reads; a day outside them may be left without a value.
struct WeatherDays {
    int first = 1, last = kLastDay;
};

class WeatherReader {
public:
    // Reads the weather grid. Problems (an empty title cell, cells that are not numbers, a needed day
    // without a value) are collected;
    // the humidities are estimated only when the temperatures read correctly.
    // What reads but may surprise (humidity columns titled but left empty, estimated as if untitled)
    // goes to `warnings`.
    using Days = WeatherDays;
    void ReadWeatherData(const FormModel& form, Problems& problems, Problems& warnings,
                         const Days& needed = {});

    float GetRain(std::int32_t day) const { return Rain_.at(day); }
    float GetTmax(std::int32_t day) const { return Tmax_.at(day); }
    float GetTmin(std::int32_t day) const { return Tmin_.at(day); }
    float GetRad(std::int32_t day) const { return Rad_.at(day); }
    float GetRHmax(std::int32_t day) const { return RHmax_.at(day); }
    float GetRHmin(std::int32_t day) const { return RHmin_.at(day); }
    bool GetWeatherCorrectlyOpen() const { return correctlyOpen_; }
    // True when the sheet brought no humidity and RHmax and RHmin were estimated.
    bool GetHumidityEstimated() const { return humidityEstimated_; }

private:
    DailySeries Rain_{}, Tmax_{}, Tmin_{}, Rad_{}, RHmax_{}, RHmin_{};
    bool correctlyOpen_ = false;
    bool humidityEstimated_ = false;
};

// Shows the estimated humidities in the weather grid, on a light-cyan background so the user sees which
// values the program estimated. Only the window does this: workers read the form and never write it.
void WriteEstimatedHumidities(FormModel& form, const DailySeries& RHmax, const DailySeries& RHmin);

} // namespace tulo
