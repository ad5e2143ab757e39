#include "commands/ParameterNames.h"

#include "base/Numbers.h"
#include "base/Problems.h"
#include "calibration/CalibrationParameters.h"
#include "commands/CropWorkbook.h"

#include <array>
#include <string>

namespace tulo {

const ParameterInfo* FindParameterByName(std::string_view name) {
    const std::string_view wanted = Trim(name);
    if (wanted.empty()) return nullptr;
    const auto names = [](const ParameterInfo& p) {
        const CalibrationParameter* calibration = CalibrationEntryOf(p);
        return std::array<std::string_view, 5>{p.id, WorkbookKey(p), p.label,
                                               calibration ? calibration->caption : std::string_view(),
                                               calibration ? calibration->key : std::string_view()};
    };
    const auto registry = CropParameterRegistry();
    for (const ParameterInfo& p : registry)
        for (const std::string_view n : names(p))
            if (!n.empty() && n == wanted) return &p;
    const ParameterInfo* found = nullptr;
    for (const ParameterInfo& p : registry)
        for (const std::string_view n : names(p))
            if (!n.empty() && EqualIgnoringCase(n, wanted)) {
                if (found && found != &p) return nullptr; // "tb" is Tb and TB alike: ask for the exact name
                found = &p;
            }
    return found;
}

namespace sensitivity {

FoundFactor FindFactor(std::string_view name) {
    const std::string_view wanted = Trim(name);
    for (int row = 0; row < kGrowthFactors; ++row)
        if (wanted == AllFactors()[static_cast<std::size_t>(row)].name)
            return {&AllFactors()[static_cast<std::size_t>(row)], {}};
    const ParameterInfo* info = FindParameterByName(wanted);
    if (!info)
        return {nullptr, Outcome::Failure(QuoteValue(wanted) +
                                          " is neither one of par1 to par11 nor a crop parameter's id, crop "
                                          "workbook key or caption (tulo-cli parameters lists them).")};
    const int index = static_cast<int>(info - CropParameterRegistry().data());
    for (const ParameterFactor& f : AllFactors())
        if (f.parameter == index) return {&f, {}};
    return {nullptr, Outcome::Failure(
                         std::string(info->id) + " (" + std::string(info->label) + ") is " +
                         (info->kind == ParameterKind::Switch ? "a switch" : "a code, an item of a list") +
                         ", not a number: it cannot be a factor.")};
}

} // namespace sensitivity

} // namespace tulo
