#pragma once
// The calibration tools as the window and the command line start them from a form, and their results
// written back into it, each as one change to undo.

#include "calibration/Phenology.h"
#include "calibration/Reinit.h"
#include "forms/FormModel.h"

#include <span>
#include <string_view>

namespace tulo {

// Writes the fitted values into the form's crop fields, as one change ("Phenology from observed dates").
void WritePhenologyValues(FormModel& form, const PhenologyFit& fit);

// The reinitialisation of the form's season: its sowing moved by changing the sowing field of a copy.
ReinitResult ReinitializeFromLai(const FormModel& form, std::span<const LaiPoint> lai,
                                 const ReinitSettings& settings, const SearchControl& control = {});

// The caption of the change written back.
inline constexpr std::string_view kReinitChange = "Reinitialize from remotely sensed LAI";

// Writes the sowing day and the rounded parameters into the form, as one change.
void WriteReinitialization(FormModel& form, const ReinitResult& result,
                           std::span<const CalibratedParameter> parameters);

} // namespace tulo
