#pragma once
// The sensitivity analysis's growth factors par1 to par11: the crop parameter each varies, its label in
// the sensitivity window and its default normal distribution, keyed by the registry's id.

#include "engine/Parameters.h"

#include <span>
#include <string_view>

namespace tulo::sensitivity {

struct GrowthFactorEntry {
    int number;             // k of "park"
    std::string_view id;    // the registry's id
    std::string_view label; // the sensitivity window's row label
    std::string_view mean, sd;
};

// In factor order.
std::span<const GrowthFactorEntry> GrowthFactorTable();
// The growth factor that varies a registry parameter, or none.
const GrowthFactorEntry* FindGrowthFactorEntry(const ParameterInfo& info);

} // namespace tulo::sensitivity
