#include "engine/InputWeather.h"

#include "engine/InputLimits.h"
#include "weather/Humidity.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace tulo {

namespace {

// Beyond this many bad cells the user learns only how many more there are: a wrongly imported sheet
// would otherwise bury the first, telling, messages under hundreds of the same.
constexpr int kMaxCellMessages = 20;

} // namespace

void clsInputWeather::ReadWeatherData(const FormModel& form, Problems& problems) {
    const Grid& grid = form.grid(ctl::sprWeather);
    correctlyOpen_ = true;
    humidityEstimated_ = false;
    if (Trim(grid.text(1, 1)).empty()) {
        problems.push_back(
            {std::string(ctl::sprWeather), 1, 1, "I notice something wrong with your weather file..."});
        correctlyOpen_ = false;
        return;
    }

    // Every problem of the table counts; the first ones are named.
    int badCells = 0;
    auto report = [&](int day, int col, std::string message) {
        if (++badCells <= kMaxCellMessages)
            problems.push_back({std::string(ctl::sprWeather), day + 1, col, std::move(message)});
    };
    auto read = [&](int day, int col, DailySeries& series) {
        const std::string& text = grid.text(day + 1, col);
        const std::string where = "Weather, day " + std::to_string(day) + ", " + grid.text(0, col);
        const auto value = ParseNumber(text);
        if (!value) {
            report(day, col, NotANumberMessage(where, text));
            return;
        }
        if (IsMissingValueCode(*value)) {
            report(day, col,
                   where + ": " + ShortestText(*value) +
                       " is a missing-value code; every day needs a value.");
            return;
        }
        const InputLimit& limit = *FindInputLimit(ctl::sprWeather, col);
        if (!(*value >= limit.min && *value <= limit.max)) {
            report(day, col, where + ": " + ShortestText(*value) + " " + DescribeLimit(limit) + ".");
            return;
        }
        series[day] = static_cast<float>(*value);
    };

    for (int d = 1; d <= kLastDay; ++d) {
        read(d, 2, Rain_);
        read(d, 3, Tmax_);
        read(d, 4, Tmin_);
        read(d, 5, Rad_);
    }
    const bool humidityGiven = !Trim(grid.text(1, 6)).empty();
    if (humidityGiven) {
        for (int d = 1; d <= kLastDay; ++d) {
            read(d, 6, RHmax_);
            read(d, 7, RHmin_);
        }
    }
    if (badCells == 0)
        for (int d = 1; d <= kLastDay; ++d)
            if (Tmin_[d] > Tmax_[d])
                report(d, 4,
                       "Weather, day " + std::to_string(d) + ": the minimum temperature " +
                           ShortestText(Tmin_[d]) + " °C is above the maximum " + ShortestText(Tmax_[d]) +
                           " °C.");
    if (badCells > kMaxCellMessages)
        problems.push_back({std::string(ctl::sprWeather), 0, 0,
                            "... and " + std::to_string(badCells - kMaxCellMessages) +
                                " more weather cells with problems."});
    if (badCells > 0) {
        correctlyOpen_ = false;
        return;
    }

    if (!humidityGiven) {
        clsRH rh;
        for (int d = 1; d <= kLastDay; ++d) {
            rh.STIMAUR2(Tmin_[d], Tmax_[d]);
            RHmax_[d] = rh.GetRHmax();
            RHmin_[d] = rh.GetRHmin();
        }
        humidityEstimated_ = true;
    }
}

void WriteEstimatedHumidities(FormModel& form, const DailySeries& RHmax, const DailySeries& RHmin) {
    form.editGrid(ctl::sprWeather, [&](Grid& grid) {
        if (grid.rows() < kWeatherRows || grid.cols() < kWeatherCols)
            grid.resize(std::max(grid.rows(), kWeatherRows), std::max(grid.cols(), kWeatherCols));
        for (int d = 1; d <= kLastDay; ++d) {
            grid.setText(d + 1, 6, ShortestText(RHmax[d]));
            grid.setText(d + 1, 7, ShortestText(RHmin[d]));
            grid.setBackground(d + 1, 6, kLightCyan);
            grid.setBackground(d + 1, 7, kLightCyan);
        }
    });
}

} // namespace tulo
