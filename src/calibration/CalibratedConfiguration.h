#pragma once
// A season's configuration as the calibration tools read and change it: the values a search starts
// from, the values it found written back, and the configuration of one site of a multi-site
// calibration. A value written is the text the window would show for it, so a configuration saved after
// a tool's result holds the same bytes whether the window or the command line wrote it.

#include "calibration/Objective.h"
#include "calibration/Phenology.h"
#include "calibration/Reinit.h"
#include "calibration/SettingsFiles.h"
#include "engine/Parameters.h"
#include "engine/SeasonInputs.h"
#include "inputs/SeasonConfiguration.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tulo {

struct ParameterChoice {
    const ParameterInfo* info = nullptr;
    CalibratedParameter range;
    double initial = 0;
};

// The parameter's value in the configuration as its item reads (a single-precision value would print
// with spurious digits); the compiled season's when the configuration holds no number for it.
double ConfiguredValue(const ParameterInfo& info, const SeasonConfiguration& configuration,
                       const SeasonInputs& compiled);

// The text of a crop parameter's item, as the window shows it: empty for a switch or a parameter no
// item holds.
std::string CropValueText(const ParameterInfo& info, const SeasonConfiguration& configuration);

// Writes the rounded values into their crop parameters' items.
void WriteCalibratedValues(SeasonConfiguration& configuration, std::span<const ParameterChoice> choices,
                           std::span<const double> rounded);

// Writes the fitted thermal times into their items, in the precision the run reads them.
void WritePhenologyValues(SeasonConfiguration& configuration, const PhenologyFit& fit);

// The configuration with its sowing moved to `day`.
SeasonConfiguration WithSowing(SeasonConfiguration configuration, std::int32_t day);

// The reinitialisation of a configuration's season: its sowing moved by WithSowing on a copy.
ReinitResult ReinitializeFromLai(const SeasonConfiguration& configuration, std::span<const LaiPoint> lai,
                                 const ReinitSettings& settings, const SearchControl& control = {});

// Writes the estimated sowing day and the rounded parameters.
void WriteReinitialization(SeasonConfiguration& configuration, const ReinitResult& result,
                           std::span<const CalibratedParameter> parameters);

// A site's weather table as the configuration holds one: its titles and its 365 days.
struct SiteWeather {
    std::array<std::string, kWeatherCols> titles;
    NumberTable days{kLastDay, kWeatherCols}; // WeatherTableColumn, row d - 1 for day d
};

// The season of a site: the base configuration's crop and management with the site's weather, and its
// dates and latitude wherever the row gives them, as typed. The base's year was its own weather's, and a
// site's workbook tells none, so the site has no year.
SeasonConfiguration SiteConfiguration(const SeasonConfiguration& base, const SiteTexts& row,
                                      const SiteWeather& weather);

} // namespace tulo
