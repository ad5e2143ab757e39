#pragma once
// A DSSAT rice experiment (.RIX, with the .RIT and .RIA of the same name beside it) made into TULO's
// files: a configuration per treatment, its measured AGB and LAI tables, and a sites table whose rows the
// phenology fit, the evaluation and the calibration of several sites read.
//
// Each treatment's season:
//   - weather from the station its field names (WSTA), in a file <WSTA>.WTH (a code of 8 characters),
//     <WSTA><YY>01.WTH or any other <WSTA>*.WTH holding the sowing day, searched in the weather folder
//     given and then beside the experiment;
//   - a transplanted crop (PLME T) is transplanted on PDATE, sown in the seedbed PAGE days before, at
//     PPOP / PLPH hills per m2 of PLPH seedlings (the crop parameters NH and NPLH); a crop sown directly
//     (PLME S or P) is sown on PDATE;
//   - flooded to the first flood depth its irrigation level gives (IR011 constant flood depth, or IR006
//     flood depth), else to the depth the request gives, else unflooded;
//   - simulated from 1 January of the sowing year (or the weather file's first day, when later) through
//     31 December, or on to a month after the last observation in the next year, within the weather
//     file's days;
//   - TULO's default crop parameters, with the request's settings on top.
// Measurements: AGB from CWAD (kg/ha, written in t/ha), LAI from LAID; emergence, flowering and maturity
// from EDAT, ADAT and MDAT. Values marked missing are left out.
//
// What the files hold that TULO does not simulate (nitrogen, irrigation amounts, the cultivar's own
// coefficients, the soil profile, measurements without a TULO counterpart) is listed in the notes.

#include "base/Calendar.h"
#include "base/Outcome.h"
#include "inputs/SeasonConfiguration.h"
#include "io/FileSets.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tulo {

struct DssatImportRequest {
    std::filesystem::path experiment;                   // the .RIX
    std::optional<std::filesystem::path> weatherFolder; // searched before the experiment's folder
    std::optional<double> floodedLevelCm;               // for treatments whose irrigation gives no depth
    std::vector<int> treatments;                        // the treatments' numbers; empty for all
    std::vector<std::string> settings;                  // NAME=VALUE crop parameters for every treatment
};

struct MeasuredValue {
    CivilDate date;
    double value = 0;
};

struct ImportedTreatment {
    int number = 0;
    std::string title; // TNAME
    std::string name;  // "T01-early-25": the sites table's name and its files' stem
    SeasonConfiguration season;
    std::filesystem::path weather;
    std::optional<double> hillsPerSquareMetre, seedlingsPerHill;
    std::vector<MeasuredValue> agb, lai; // t/ha, m2/m2, by date
    std::optional<CivilDate> emergence, flowering, maturity;
};

struct DssatImport {
    std::string title; // the experiment's
    std::vector<ImportedTreatment> treatments;
    std::vector<std::string> notes;            // what was left out, one sentence each
    std::vector<std::filesystem::path> inputs; // every file read

    // The files of the import in `folder`: per treatment NAME.sim, NAME-agb.csv and NAME-lai.csv (when
    // measured), then sites.csv and import-notes.txt.
    std::vector<FileContent> files(const std::filesystem::path& folder) const;
    // The sites table's text (CSV), its files named relative to its folder.
    std::string sitesTable() const;
};

// The import of an experiment, or nothing with every problem in `messages`: a problem of the files names
// the file, the line and the column; one of a treatment's season names the treatment.
std::optional<DssatImport> ImportDssatExperiment(const DssatImportRequest& request, Messages& messages);

// Writes the import's files into `folder` (made when missing) all together, or none: a file that would
// replace one of the files read, or that cannot be written, refuses the whole set, and a folder made for
// it goes again. A failure says why (InvalidInputs for a refusal before anything is written).
Outcome WriteDssatImport(const DssatImport& imported, const std::filesystem::path& folder);

// A treatment's measured table as CSV ("Date,AGB (t/ha)" or "Date,LAI (m2/m2)", ISO dates).
std::string MeasuredTableCsv(const std::vector<MeasuredValue>& values, std::string_view title);

} // namespace tulo
