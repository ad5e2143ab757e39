#pragma once
// The experiment files the DSSAT crop models keep field trials in, read as they stand: the experiment
// (.RIX for rice: treatments and the factor levels they combine), its time-course measurements (.RIT) and
// its summary observations (.RIA). Only what a TULO season can take is read into types here; what the
// files hold beyond it is listed, so that an importer says what it leaves out.
//
// The layout, common to the three: a section starts at a line "*TITLE"; a line "@NAME NAME ..." gives the
// titles of the rows after it, until the next "@" or "*" line, so that a section may hold several tables;
// a line whose first character other than a blank is "!" is a comment. A row's values stand under their
// titles, separated by blanks: a value left blank is read by the place of its title (right-aligned under
// it); a free text (TNAME, CNAME and the other ...NAME columns) may hold blanks. -99 (or any value from
// -99 down to -99.9) marks a value missing. Dates are YYDDD (year and day of year, the year by
// YearOfTwoDigits; a leading 0 may be left out) or YYYYDDD.

#include "base/Calendar.h"
#include "base/Outcome.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// One table of a section: its titles (dots of filling removed) and its rows' values as written (an empty
// text for a blank value).
struct DssatTable {
    int titleLine = 0;
    std::vector<std::string> titles;
    struct Row {
        int line = 0;
        std::vector<std::string> values;
        std::string problem;
    };
    std::vector<Row> rows;

    // The place of a title; none when the table lacks it.
    std::optional<std::size_t> column(std::string_view title) const;
};

struct DssatSection {
    std::string title; // what follows "*", upper case, trimmed ("TREATMENTS", "PLANTING DETAILS")
    int line = 0;
    std::vector<DssatTable> tables;
};

// A text cut into its sections. A row that does not follow its titles keeps no values and says why in
// `problem` ("line 14: 19 values under 18 titles"): only a reader that needs the row refuses it.
std::vector<DssatSection> ReadDssatSections(std::string_view text);

// The date a DSSAT value gives; none for a missing value (-99). Fails naming `where` ("X.RIX, line 14,
// column PDATE") for anything else than YYDDD or YYYYDDD of a day its year has.
Result<std::optional<CivilDate>> ParseDssatDate(std::string_view text, std::string_view where);

// --- The experiment (.RIX) -----------------------------------------------------------------------------

struct DssatTreatment {
    int number = 0;   // TRNO, the N column
    std::string name; // TNAME, trimmed
    int line = 0;
    // The factor levels by the columns' titles (CU, FL, MP, MI, MF, ...); 0 for a factor left out.
    std::map<std::string, int> levels;
    int level(std::string_view factor) const;
};

struct DssatCultivar {
    std::string code, name; // INGENO, CNAME
};

struct DssatField {
    std::string station;            // WSTA: the weather station's code, of 4 or 8 characters
    std::string soil;               // ID_SOIL
    std::optional<double> latitude; // YCRD, degrees north, when given
    int line = 0;
};

struct DssatPlanting {
    int line = 0;
    CivilDate date;                       // PDATE: sowing, or transplanting for a transplanted crop
    char method = 'S';                    // PLME: S dry seed, P pregerminated seed, T transplanted, N nursery
    std::optional<double> density;        // PPOP, plants m-2
    std::optional<double> seedlingAge;    // PAGE, days in the seedbed of a transplanted crop
    std::optional<double> plantsPerHill;  // PLPH
    std::optional<double> seedbedCelsius; // PENV, the seedbed's temperature
};

struct DssatIrrigationEvent {
    int line = 0;
    std::optional<CivilDate> date; // none for a date given as days after planting (IRRIG D)
    std::string code;              // IROP: IR001 .. IR011
    double value = 0;              // IRVAL: mm, or mm a day for a percolation rate
};

struct DssatFertiliserEvent {
    double nitrogen = 0; // FAMN, kg N ha-1
};

struct DssatExperiment {
    std::string title; // the "*EXP.DETAILS:" line's text
    std::vector<DssatTreatment> treatments;
    std::map<int, DssatCultivar> cultivars;
    std::map<int, DssatField> fields;
    std::map<int, DssatPlanting> plantings;
    std::map<int, std::vector<DssatIrrigationEvent>> irrigations;
    std::map<int, std::vector<DssatFertiliserEvent>> fertilisers;
};

// Reads an experiment file's text; `file` names it in messages. Fails on the first problem, naming the
// file, the line and the column: a treatment without a planting level, a level a treatment names that
// its section lacks, a date or number that is none.
Result<DssatExperiment> ReadDssatExperiment(std::string_view text, std::string_view file);

// --- The measurements (.RIT, .RIA) -------------------------------------------------------------------

struct DssatObservation {
    int treatment = 0;
    std::optional<CivilDate> date; // a time course's DATE; none in a summary file
    int line = 0;
    // The row's values that are numbers, by their column's title; missing values left out.
    std::map<std::string, double> numbers;
    // The row's dates (titles ending in DAT: ADAT, MDAT), missing ones left out.
    std::map<std::string, CivilDate> dates;
};

struct DssatObservations {
    std::vector<DssatObservation> rows;
    std::vector<std::string> titles; // every column's title, in the order first met
};

// Reads a time-course file (`timeCourse`: every row needs TRNO and DATE) or a summary file (TRNO).
Result<DssatObservations> ReadDssatObservations(std::string_view text, std::string_view file,
                                                bool timeCourse);

} // namespace tulo
