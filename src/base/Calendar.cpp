#include "base/Calendar.h"

#include <array>

namespace tulo {

namespace {

constexpr std::array<int, 12> kDaysInMonth = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

std::optional<DayMonth> DayMonthOf(std::int32_t doy) {
    if (doy < 1 || doy > 365) return std::nullopt;
    int remaining = doy;
    for (int m = 0; m < 12; ++m) {
        if (remaining <= kDaysInMonth[static_cast<std::size_t>(m)]) return DayMonth{remaining, m + 1};
        remaining -= kDaysInMonth[static_cast<std::size_t>(m)];
    }
    return std::nullopt;
}

std::optional<std::int32_t> DayOfYear(int month, int day) {
    if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[static_cast<std::size_t>(month - 1)])
        return std::nullopt;
    std::int32_t doy = day;
    for (int m = 1; m < month; ++m) doy += kDaysInMonth[static_cast<std::size_t>(m - 1)];
    return doy;
}

std::string DayMonthText(std::int32_t doy) {
    const auto date = DayMonthOf(doy);
    if (!date) return {};
    return std::to_string(date->day) + " " + kMonthNames[static_cast<std::size_t>(date->month - 1)];
}

} // namespace tulo
