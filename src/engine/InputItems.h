#pragma once
// The items of the inputs' lists and the sizes of the input tables: the parameter registry's codes, the
// readers that fill a table and the form that shows them all count on them.

#include "base/DailySeries.h"

#include <array>
#include <string_view>

namespace tulo {

// Texts the program compares list choices with.
namespace choice {
inline constexpr std::string_view TemperatureBased = "Temperature based";
inline constexpr std::string_view PhotoperiodBased = "Photoperiod based";
inline constexpr std::string_view Both = "Both";
inline constexpr std::string_view ManyDays = "High sensitivity for many days";
inline constexpr std::string_view RestrictedPeriod = "High sensitivity only in a restricted period";
inline constexpr std::string_view Flooded = "Flooded";
inline constexpr std::string_view Unflooded = "Unflooded";
inline constexpr std::string_view NoTreatment = "No treatment applied";
} // namespace choice

// Sizes of the input tables, as the window shows them.
inline constexpr int kWeatherRows = 366; // row 1 titles, rows 2 .. 366 days 1 .. 365
// The window's weather grid holds the longest season's days and the day after its last, which a season
// that crosses 31 December counts on from the first year's (base/Calendar.h).
inline constexpr int kWeatherGridRows = 1 + kLastSeasonDay + 1;
inline constexpr int kWeatherCols = 7;
inline constexpr int kSoilRows = 15;
inline constexpr int kSoilCols = 13;
inline constexpr int kWaterInputRows = 100;
inline constexpr int kWaterInputCols = 4;
inline constexpr int kWaterOutputRows = 50;
inline constexpr int kWaterOutputCols = 3;
inline constexpr int kReportVariables = 13;

// The captions of the weather's and the soil's columns, as the window titles them and the checks' messages
// name them.
inline constexpr std::array<std::string_view, kWeatherCols> kWeatherCaptions = {
    "DOY", "Rain(mm)", "Tmax(°C)", "Tmin(°C)", "Rad (MJ/m2)", "RHmax (%)", "RHmin (%)"};
inline constexpr std::array<std::string_view, kSoilCols> kSoilCaptions = {
    "Thickness (mm)",
    "Bulk density (g/cm3)",
    "Carbon (%)",
    "Clay (%)",
    "Sand (%)",
    "Alpha (1/cm)",
    "n",
    "SWCres (m3/m3)",
    "Field capacity (m3/m3)",
    "Permanent wilting point (m3/m3)",
    "SWCsat (m3/m3)",
    "Saturated hydraulic conductivity (mm/h)",
    "SWCstart (mm)"};

} // namespace tulo
