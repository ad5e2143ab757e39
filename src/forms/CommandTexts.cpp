#include "forms/CommandTexts.h"

#include "base/Numbers.h"
#include "forms/InputFields.h"

#include <cmath>

namespace tulo {

namespace {

bool IdOfTable(std::string_view id, std::string_view table) {
    return id.starts_with(table) && (id.size() == table.size() || id[table.size()] == '.');
}

} // namespace

std::string ProblemText(const InputProblem& problem, std::string_view weatherSource,
                        std::string_view soilSource) {
    const std::string_view field = problem.field;
    // The Python package still compiles through the window's form, whose problems point at its tables.
    const bool weather = IdOfTable(field, "weather") || field == ctl::sprWeather;
    const bool soil = IdOfTable(field, "soil") || field == ctl::sprSoilPhysics;
    const std::string_view source = weather ? weatherSource : soil ? soilSource : std::string_view();
    return source.empty() ? problem.text : std::string(source) + ": " + problem.text;
}

TitledMeasurements ReadTitledMeasurements(const Grid& grid, const std::string& source,
                                          std::optional<int> year) {
    TitledMeasurements table;
    if (grid.text(1, 1).empty()) {
        table.untitled = true;
        table.messages.push_back(source +
                                 ": the first cell (A1) holds no title; row 1 must hold the column titles.");
        return table;
    }
    MeasuredData data = ReadMeasured(grid);
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
