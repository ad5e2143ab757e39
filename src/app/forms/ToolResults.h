#pragma once
// The calibration tools as the window and the command line start them, and their results written back
// into the window's form, each as one change to undo. The results are written into the form's
// configuration (calibration/CalibratedConfiguration.h), and the fields that changed are given back to
// the form, so the window and a saved configuration hold the same texts.

#include "calibration/CalibratedConfiguration.h"
#include "calibration/Phenology.h"
#include "calibration/Reinit.h"
#include "forms/FormModel.h"
#include "inputs/SeasonConfiguration.h"

#include <span>
#include <string>
#include <string_view>

namespace tulo {

// Gives the form the crop values and the sowing day in which `after` differs from `before` (the form's
// own configuration), as one change with the caption `label`.
void WriteChangedValues(const SeasonConfiguration& before, const SeasonConfiguration& after, FormModel& form,
                        std::string label);

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
