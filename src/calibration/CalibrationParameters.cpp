#include "calibration/CalibrationParameters.h"

namespace tulo {

namespace {

constexpr CalibrationParameter kCalibrationParameters[] = {
    {"RUE", "RUE", "myRUE", "1.5", "4"},
    {"Tb", "Tb for growth", "myTb", "7", "15"},
    {"Topt", "Topt for growth", "myTopt", "20", "35"},
    {"LAIemerg", "Initial LAI", "myLAIemerg", "0.001", "0.1"},
    {"SLA0", "Initial SLA", "mySLA0", "20", "50"},
    {"SLA035", "Tillering SLA", "mySLA035", "13", "25"},
    {"RipL0", "Initial partition to leaves", "myRipL0", "0.4", "0.95"},
    {"GDDLeafLife", "Leaf Life", "myGDDLeafLife", "500", "1200"},
    {"SHCKD", "Transplanting shock", "mySHCKD", "0", "0.8"},
};

} // namespace

std::span<const CalibrationParameter> CalibrationParameters() {
    return kCalibrationParameters;
}

const CalibrationParameter* CalibrationEntryOf(const ParameterInfo& info) {
    for (const CalibrationParameter& p : kCalibrationParameters)
        if (p.id == info.id) return &p;
    return nullptr;
}

std::string_view CalibrationCaption(const ParameterInfo& info) {
    const CalibrationParameter* p = CalibrationEntryOf(info);
    return p ? p->caption : std::string_view();
}

} // namespace tulo
