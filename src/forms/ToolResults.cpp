#include "forms/ToolResults.h"

#include "base/Numbers.h"
#include "engine/Parameters.h"
#include "forms/InputControls.h"
#include "forms/SeasonForm.h"

#include <string>

namespace tulo {

void WritePhenologyValues(FormModel& form, const PhenologyFit& fit) {
    const FormModel::Batch batch(form, "Phenology from observed dates");
    const auto registry = CropParameterRegistry();
    for (const ParameterValue& p : fit.parameters)
        form.setText(ControlOf(registry[static_cast<std::size_t>(p.index)]),
                     ShortestText(static_cast<float>(p.value)));
}

ReinitResult ReinitializeFromLai(const FormModel& form, std::span<const LaiPoint> lai,
                                 const ReinitSettings& settings, const SearchControl& control) {
    const SowingCompiler compileSown = [&form](std::optional<std::int32_t> sowingDay) {
        if (!sowingDay) return CompileInputs(form);
        FormModel sown = form;
        sown.setText(ctl::txtSowingDate, std::to_string(*sowingDay));
        return CompileInputs(sown);
    };
    return ReinitializeFromLai(compileSown, lai, settings, control);
}

void WriteReinitialization(FormModel& form, const ReinitResult& result,
                           std::span<const CalibratedParameter> parameters) {
    const FormModel::Batch batch(form, std::string(kReinitChange));
    form.setText(ctl::txtSowingDate, std::to_string(result.sowing));
    const auto registry = CropParameterRegistry();
    for (std::size_t k = 0; k < parameters.size() && k < result.rounded.size(); ++k)
        form.setText(ControlOf(registry[static_cast<std::size_t>(parameters[k].index)]),
                     CalibratedText(result.rounded[k]));
}

} // namespace tulo
