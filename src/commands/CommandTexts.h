#pragma once
// What the command line and the Python package both say about the files they read and the numbers they
// give, so that a script sees the same texts and values as a terminal does.

#include "base/Problems.h"
#include "engine/Grid.h"
#include "evaluation/MeasuredEvaluation.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// The measurements of a table whose row 1 holds the column titles, for a season of `year`.
struct TitledMeasurements {
    std::optional<MeasuredData> data;  // none when the table is refused
    bool untitled = false;             // refused before reading: the first cell (A1) holds no title
    std::vector<std::string> messages; // the refusals, or the notes of the reading; each names `source`
};
TitledMeasurements ReadTitledMeasurements(const Grid& grid, const std::string& source,
                                          std::optional<int> year, int laterYears = 0);

// A summary cell as a number of `run --json`: none for a stage not reached; `whole` for days and counts,
// which are given without a fraction.
struct SummaryNumber {
    std::optional<double> value;
    bool whole = false;
};
SummaryNumber SummaryCellNumber(std::string_view cell);

} // namespace tulo
