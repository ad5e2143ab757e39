#include "commands/CommandTexts.h"

#include "base/Numbers.h"

#include <cmath>

namespace tulo {

TitledMeasurements ReadTitledMeasurements(const Grid& grid, const std::string& source,
                                          std::optional<int> year, int laterYears) {
    TitledMeasurements table;
    if (grid.text(1, 1).empty()) {
        table.untitled = true;
        table.messages.push_back(source +
                                 ": the first cell (A1) holds no title; row 1 must hold the column titles.");
        return table;
    }
    MeasuredData data = ReadMeasured(grid, year, laterYears);
    if (auto refusals = MeasuredRefusals(data, year); !refusals.empty()) {
        for (std::string& refusal : refusals) table.messages.push_back(source + ": " + refusal);
        return table;
    }
    for (const std::string& note : ReadingNotes(data)) table.messages.push_back(source + ": " + note);
    table.data = std::move(data);
    return table;
}

SummaryNumber SummaryCellNumber(std::string_view cell) {
    SummaryNumber number{ParseNumber(cell)};
    number.whole =
        number.value && *number.value == std::floor(*number.value) && std::fabs(*number.value) < 1e15;
    return number;
}

} // namespace tulo
