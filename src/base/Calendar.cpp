#include "base/Calendar.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace tulo {

namespace {

constexpr std::array<int, 12> kDaysInMonth = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

std::optional<DayMonth> DayMonthOf(std::int32_t seasonDay, int year) {
    const auto date = DateOfSeasonDay(seasonDay, year);
    if (!date) return std::nullopt;
    return DayMonth{date->day, date->month};
}

int DaysInYear(int year) {
    return year > 0 && IsLeapYear(year) ? 366 : 365;
}

std::int32_t DayOfYearOfSeasonDay(std::int32_t seasonDay, int year) {
    const bool known = year > 0;
    for (int y = year; seasonDay > DaysInYear(known ? y : 0); ++y) seasonDay -= DaysInYear(known ? y : 0);
    return seasonDay;
}

std::optional<CivilDate> DateOfSeasonDay(std::int32_t seasonDay, int year) {
    if (seasonDay < 1 || seasonDay > kLastSeasonDay + 1) return std::nullopt;
    // Unknown years are numbered from 0 and all have 365 days.
    const bool known = year > 0;
    int y = year;
    while (seasonDay > DaysInYear(known ? y : 0)) {
        seasonDay -= DaysInYear(known ? y : 0);
        ++y;
    }
    const bool leap = known && IsLeapYear(y);
    int remaining = seasonDay;
    for (int m = 0; m < 12; ++m) {
        const int days = kDaysInMonth[static_cast<std::size_t>(m)] + (m == 1 && leap ? 1 : 0);
        if (remaining <= days) return CivilDate{y, m + 1, remaining};
        remaining -= days;
    }
    return std::nullopt;
}

std::optional<std::int32_t> SeasonDayOfDate(const CivilDate& date, int year) {
    const auto doy = DayOfYear(date);
    if (!doy || date.year < year) return std::nullopt;
    std::int32_t day = *doy;
    for (int y = year; y < date.year; ++y) {
        day += DaysInYear(y);
        if (day > kLastSeasonDay + 1) return std::nullopt;
    }
    if (day > kLastSeasonDay + 1) return std::nullopt;
    return day;
}

std::string IsoDateText(const CivilDate& date) {
    char text[24];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year, date.month, date.day);
    return text;
}

int YearOfTwoDigits(int twoDigitYear) {
    return twoDigitYear <= 49 ? 2000 + twoDigitYear : 1900 + twoDigitYear;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

std::optional<std::int32_t> DayOfYear(const CivilDate& date) {
    const auto daysIn = [&](int month) {
        return kDaysInMonth[static_cast<std::size_t>(month - 1)] + (month == 2 && IsLeapYear(date.year));
    };
    if (date.month < 1 || date.month > 12 || date.day < 1 || date.day > daysIn(date.month))
        return std::nullopt;
    std::int32_t doy = date.day;
    for (int m = 1; m < date.month; ++m) doy += daysIn(m);
    return doy;
}

namespace {

// A time of day after an ISO date, as date cells and ISO 8601 write it: " 08:30", "T08:30:00.5",
// "T08:30:00Z", "T08:30:00+02:00".
bool IsTimeOfDay(std::string_view text) {
    std::size_t at = 0;
    const auto number = [&](int limit) {
        if (text.size() - at < 2 || !std::isdigit(static_cast<unsigned char>(text[at])) ||
            !std::isdigit(static_cast<unsigned char>(text[at + 1])))
            return false;
        const int value = (text[at] - '0') * 10 + (text[at + 1] - '0');
        at += 2;
        return value <= limit;
    };
    const auto next = [&](std::string_view any) {
        if (at == text.size() || any.find(text[at]) == std::string_view::npos) return false;
        ++at;
        return true;
    };
    if (!next("T ") || !number(23) || !next(":") || !number(59)) return false;
    if (next(":")) {
        if (!number(60)) return false;
        if (next("."))
            while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    }
    if (at == text.size() || text.substr(at) == "Z") return true;
    return next("+-") && number(23) && next(":") && number(59) && at == text.size();
}

} // namespace

std::optional<CivilDate> ParseDateText(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    std::size_t at = 0;
    const auto group = [&](int& value) {
        const std::size_t start = at;
        for (value = 0; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
            if (at - start < 6) value = value * 10 + (text[at] - '0');
        return at - start;
    };
    int first = 0, month = 0, last = 0;
    const std::size_t firstDigits = group(first);
    if (firstDigits == 0 || at == text.size()) return std::nullopt;
    const char separator = text[at++];
    if (std::string_view("/.-").find(separator) == std::string_view::npos) return std::nullopt;
    const std::size_t monthDigits = group(month);
    if (monthDigits == 0 || monthDigits > 2 || at == text.size() || text[at++] != separator)
        return std::nullopt;
    const std::size_t lastDigits = group(last);
    if (firstDigits == 4 && separator == '-' && (lastDigits == 1 || lastDigits == 2) &&
        (at == text.size() || IsTimeOfDay(text.substr(at))))
        return CivilDate{first, month, last};
    if (firstDigits <= 2 && (lastDigits == 2 || lastDigits == 4) && at == text.size())
        return CivilDate{lastDigits == 4 ? last : YearOfTwoDigits(last), month, first};
    return std::nullopt;
}

std::string DayMonthText(std::int32_t seasonDay, int year) {
    const auto date = DayMonthOf(seasonDay, year);
    if (!date) return {};
    return std::to_string(date->day) + " " + kMonthNames[static_cast<std::size_t>(date->month - 1)];
}

std::string SeasonDayName(std::int32_t seasonDay, int year) {
    if (year > 0)
        if (const auto date = DateOfSeasonDay(seasonDay, year)) return IsoDateText(*date);
    return "day " + std::to_string(seasonDay);
}

std::string SeasonDateText(std::int32_t seasonDay, int year) {
    std::string text = DayMonthText(seasonDay, year);
    if (seasonDay > DaysInYear(year))
        if (const auto date = DateOfSeasonDay(seasonDay, year))
            text += year > 0 ? " " + std::to_string(date->year) : std::string(", the next year");
    return text;
}

std::optional<int> ParseSeasonYear(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    if (text.empty() || text.size() > 4) return std::nullopt;
    int year = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        year = year * 10 + (c - '0');
    }
    if (year < 1) return std::nullopt;
    return year;
}

} // namespace tulo
