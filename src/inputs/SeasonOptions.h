#pragma once
// A configuration's season changed for one command, or a new season made from a weather file: another
// weather (a weather file of any format, or a workbook's sheet), the season's year in a file of several,
// the latitude, the sowing, transplanting, start and end days, and crop parameter values. The changes are
// made to the configuration a command runs; the configuration file is never touched.
//
// Days are a day of the season's year or a date. A date is read in its own year's calendar (2000-03-01
// is day 61) and counts from 1 January of the season's year, so that a season may cross 31 December (up
// to two years on): the season's year is the weather file's (--year, or the earliest year of the days
// given as dates in a file of several), the year the configuration holds (when the weather stays), or
// the earliest year of the dates given. The year found becomes the configuration's, so the command shows
// its dates in that calendar. The end is the last simulated day. A weather file's days are taken from 1
// January of the season's year through the day after the season's last, which the loop reads.

#include "base/Outcome.h"
#include "engine/Parameters.h"
#include "inputs/SeasonConfiguration.h"
#include "io/WeatherFiles.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

struct SeasonOptions {
    std::optional<std::string> weather; // weather file (.WTH, .met, POWER CSV, dated CSV) or workbook
    std::optional<int> weatherSheet;    // 1-based sheet of a weather workbook
    // The weather as a dated table's columns (a DataFrame's) instead of a file: `weather` then names them
    // in messages ("the weather DataFrame").
    std::shared_ptr<const std::vector<WeatherColumn>> weatherColumns;
    std::optional<int> year; // the season's year in a weather file of several years
    // Hargreaves and Samani's kRs for a weather file's days without radiation (0.16 inland, the default;
    // 0.19 on the coast).
    std::optional<double> radiationKrs;
    std::optional<std::string> latitude;           // degrees north
    std::optional<std::string> sowing, start, end; // a day of year or a date
    // Transplants the crop on this day (a day of year or a date), after the sowing in the seedbed.
    std::optional<std::string> transplanting;
    std::vector<std::string> settings; // NAME=VALUE: a crop parameter by id, key or caption
    // How messages name an option: "--" for the command line ("--sowing"), "" for a table's columns.
    std::string optionPrefix = "--";

    bool any() const;
};

// What the options did to the season, for the checks that follow (measured dates in the season's year).
struct SeasonChanges {
    std::optional<int> year; // the season's calendar year, when the configuration, a weather file or a date
                             // tells it
    std::optional<double> weatherLatitude; // the weather file's latitude, when it gives one
    std::string weatherSource;             // how messages name the weather's origin ("x.WTH (2019)"); empty
                                           // when the configuration's weather table stays
};

// The crop parameter a setting's NAME stands for, or none. The names users know a parameter by (its
// crop workbook key, its caption in the calibration lists) belong to the formats above this folder, so
// the caller says how names are found (commands/ParameterNames.h: FindParameterByName).
using ParameterLookup = const ParameterInfo* (*)(std::string_view name);

// Applies the options to the configuration, adding every problem and warning to `messages`. On a refusal
// returns nothing and leaves the configuration as it was. A weather file's latitude more than 0.1° from
// the season's (the configuration's, or `latitude`) is a warning: the season keeps its own. A
// configuration of an older layout is completed first (CompleteLayout), as the window opens it.
std::optional<SeasonChanges> ApplySeasonOptions(SeasonConfiguration& configuration,
                                                const SeasonOptions& options, ParameterLookup findParameter,
                                                Messages& messages);

// A new season: the window's opening configuration (OpeningConfiguration) with the options applied, the
// weather file's latitude unless `latitude` is given, start and end defaulting to 1 January and 31
// December of the season's year (both simulated), flooded with water `floodedLevelCm` deep when given and
// unflooded otherwise. `weather` and `sowing` are needed. `season` becomes the new season; on a refusal it
// stays as it was.
std::optional<SeasonChanges> MakeNewSeason(SeasonConfiguration& season, const SeasonOptions& options,
                                           std::optional<double> floodedLevelCm,
                                           ParameterLookup findParameter, Messages& messages);

// A day option's text as a day of the season counted from 1 January of `seasonYear` (a day of year
// when the season's year is not known yet), or the sentence refusing it, which names the option.
struct SeasonDay {
    std::optional<int> doy;
    std::optional<int> year; // the date's year, when the text was a date
    std::string refusal;
};
SeasonDay ParseSeasonDay(std::string_view option, std::string_view text, std::optional<int> seasonYear);

} // namespace tulo
