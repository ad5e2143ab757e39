#pragma once
// What the command line's calibrate commands and the Python package share: the parameters, the objective
// and the genetic settings read from their texts, one season's search built from its measured tables, and
// the result as `--json` reports it. Refusals come back as texts in the command line's words, for the
// caller to print or raise; nothing here talks to the user.

#include "base/Outcome.h"
#include "calibration/CalibratedConfiguration.h"
#include "calibration/CalibrationRun.h"
#include "calibration/Objective.h"
#include "calibration/Simplex.h"
#include "calibration/Uncertainty.h"
#include "engine/Parameters.h"
#include "engine/SeasonInputs.h"
#include "inputs/SeasonConfiguration.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo {

// "NAME:MIN:MAX[:INITIAL]": any crop parameter by id, workbook key or caption (no name holds a colon;
// captions may hold spaces), the initial value defaulting to the configuration's.
struct ParamText {
    std::string where; // how messages name it: "--param \"RUE:a:4\""
    const ParameterInfo* info = nullptr;
    double min = 0, max = 0;
    std::optional<double> initial;
};

// One text of `option` ("--param", "--per-site") into `param`; a failure with the refusal when it cannot
// be read.
Outcome ParseParamText(const std::string& text, std::string_view option, ParamText& param);
// Every text of the option; a failure at the first that cannot be read.
Outcome ParseParamTexts(std::span<const std::string> texts, std::string_view option,
                        std::vector<ParamText>& params);

// The parameters to calibrate, an initial value left out being the configuration's (see ConfiguredValue);
// a failure with the refusal when that value is outside the range.
Outcome ChoicesOf(std::span<const ParamText> params, const SeasonConfiguration& configuration,
                  const SeasonInputs& compiled, std::vector<ParameterChoice>& choices);

// How a search goes: its objective and, for the genetic simplex, its settings.
struct SearchMethod {
    ObjectiveKind objective = ObjectiveKind::RRMSE;
    std::optional<GeneticSettings> genetic;
};

// The texts of --objective and --genetic ("N,ITERATIONS,GENERATIONS,REDUCTION,INCREASE,RANDOM"); a
// failure with the refusal when either is refused.
Outcome ReadSearchMethod(const std::string& objective, const std::optional<std::string>& genetic,
                         SearchMethod& method);

// Why a measured table cannot be paired with the season: dates of another year than the season's
// (`year`, when known) would pair with another season's days. One refusal each, naming the table. The
// dates of the `laterYears` years the season reaches after its first (across 31 December) are first
// placed as its days after 365 (evaluation/MeasuredEvaluation.h: LaterYearsOf).
std::vector<std::string> SeasonYearRefusals(MeasuredTable& table, std::optional<int> year,
                                            int laterYears = 0);

// One season's measurements for the search: AGB (t/ha), and LAI (m2/m2) which brings in the weights.
struct SeasonMeasurements {
    MeasuredTable agb;
    std::optional<MeasuredTable> lai;
    double agbWeight = 1;
    double laiWeight = 1;
};

// The search of one season on its measurements.
CalibrationRequest SeasonCalibration(std::shared_ptr<const SeasonInputs> inputs,
                                     const SeasonMeasurements& measured, std::vector<ParameterChoice> choices,
                                     const SearchMethod& method, std::optional<int> seed);

// How the result names each value; with `siteNames`, a site's own value adds its site's name.
std::vector<std::string> CalibratedNames(std::span<const ParameterChoice> choices,
                                         const std::vector<std::string>* siteNames = nullptr);

// A number of a report; JSON has no infinity, so a value the data cannot tell is null.
nlohmann::ordered_json JsonNumber(double value);
// {"uncertainty": {name: {se, low, high, identifiable}}, "correlation": {name: {name: r}}, "measurements"}.
nlohmann::ordered_json UncertaintyJson(const CalibrationUncertainty& uncertainty,
                                       const std::vector<std::string>& names);
// The report of `calibrate --json` (with `siteNames`, of `calibrate-sites --sites --json`).
nlohmann::ordered_json CalibrationJson(const CalibrationResult& calibration,
                                       std::span<const ParameterChoice> choices,
                                       const std::vector<std::string>& names,
                                       const std::vector<std::string>* siteNames = nullptr);

} // namespace tulo
