#include "sensitivity/GrowthFactorTable.h"

namespace tulo::sensitivity {

namespace {

constexpr GrowthFactorEntry kFactorEntries[] = {
    {1, "RUE", "Radiation use efficiency (g/MJ)", "3", "0.5"},
    {2, "K", "Extinction coeff for solar radiation", "0.5", "0.04"},
    {3, "Tb", "Base T for biomass accumulation (°C)", "12", "0.6"},
    {4, "Topt", "Opt T for biomass accumulation (°C)", "28", "2"},
    {5, "TmaxG", "Max T for biomass accumulation (°C)", "42", "2"},
    {6, "LAIemerg", "LAI at emergence (m2/m2)", "0.01", "0.005"},
    {7, "SLA0", "SLA at emergence (m2/kg)", "27", "2"},
    {8, "SLA035", "SLA at tillering (m2/kg)", "18", "2"},
    {9, "RipL0", "Biomass to leaves at emergence", "0.7", "0.1"},
    {10, "GDDLeafLife", "Leaf life (°C-days)", "700", "80"},
    {11, "PanicleHmax", "Maximum panicle height (cm)", "100", "20"},
};

} // namespace

std::span<const GrowthFactorEntry> GrowthFactorTable() {
    return kFactorEntries;
}

const GrowthFactorEntry* FindGrowthFactorEntry(const ParameterInfo& info) {
    for (const GrowthFactorEntry& f : kFactorEntries)
        if (f.id == info.id) return &f;
    return nullptr;
}

} // namespace tulo::sensitivity
