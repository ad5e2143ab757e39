#pragma once
// The settings files of the calibration windows, holding what the windows show as texts: ".acc" of the
// single-site window and ".cfg" of the multi-site one, one value a line. A file that is short or holds a
// value its line cannot take is refused whole, naming the line, so a window never opens half a file.

#include "base/Outcome.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tulo {

struct CalibrationParameterTexts {
    std::string caption; // empty: not calibrated (only the third may be)
    std::string min;
    std::string max;
    friend bool operator==(const CalibrationParameterTexts&, const CalibrationParameterTexts&) = default;
};

struct AccSettings {
    bool agbOnly = true;    // "Evaluate the objective function on AGB"
    bool agbAndLai = false; // "Evaluate the obj function on AGB and LAI"
    std::string agbWeight;
    std::string laiWeight;
    std::string objective;
    std::array<CalibrationParameterTexts, 3> parameters;
    std::array<std::string, 3> initial;
    std::string rrmse; // the last indices shown
    std::string rrmseLai;
    friend bool operator==(const AccSettings&, const AccSettings&) = default;
};

inline constexpr int kCalibrationSites = 5;

struct SiteTexts {
    std::string initialDate; // DOY
    std::string finalDate;
    std::string sowingDate;
    std::string latitude; // degrees
    std::string rrmse;    // the site's last AGB index shown
    std::string weather;  // the files the site's data come from
    std::string agb;
    std::string lai;
    friend bool operator==(const SiteTexts&, const SiteTexts&) = default;
};

struct CfgSettings {
    std::array<SiteTexts, kCalibrationSites> sites;
    std::array<CalibrationParameterTexts, 3> parameters;
    std::array<std::string, 3> initial;
    friend bool operator==(const CfgSettings&, const CfgSettings&) = default;
};

// The sites in use: those before the first without a weather name.
int SitesInUse(const CfgSettings& settings);
// A site that names a file but would be left out (it or a site before it has no weather workbook),
// named with what to do; nothing when every site naming a file is in use.
std::optional<std::string> SiteAfterTheLast(const CfgSettings& settings);

// The file's text. Truth values are written "True" and "False".
std::string FormatAccSettings(const AccSettings& settings);
std::string FormatCfgSettings(const CfgSettings& settings);

// Reads a file's text into `settings`, or fails saying why ("line 7: ...") and leaves them unchanged.
Outcome ParseAccSettings(std::string_view text, AccSettings& settings);
Outcome ParseCfgSettings(std::string_view text, CfgSettings& settings);

// Whole files, replaced at once; a failure says why one could not be written or read.
Outcome WriteAccSettings(const std::filesystem::path& file, const AccSettings& settings);
Outcome WriteCfgSettings(const std::filesystem::path& file, const CfgSettings& settings);
Outcome ReadAccSettings(const std::filesystem::path& file, AccSettings& settings);
Outcome ReadCfgSettings(const std::filesystem::path& file, CfgSettings& settings);

} // namespace tulo
