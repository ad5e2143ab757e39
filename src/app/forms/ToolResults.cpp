#include "forms/ToolResults.h"

#include "engine/Parameters.h"
#include "forms/ConfigurationForm.h"
#include "forms/InputControls.h"
#include "forms/SeasonForm.h"
#include "inputs/ConfigurationFile.h"
#include "inputs/SeasonCompile.h"

#include <string>
#include <utility>

namespace tulo {

void WriteChangedValues(const SeasonConfiguration& before, const SeasonConfiguration& after, FormModel& form,
                        std::string label) {
    const FormModel::Batch batch(form, std::move(label));
    const auto registry = CropParameterRegistry();
    for (const CropParameterItem& item : CropParameterItems()) {
        const auto index = static_cast<std::size_t>(ParameterIndex(item.id));
        if (after.crop[index] == before.crop[index]) continue;
        const ParameterInfo& info = registry[index];
        if (info.kind == ParameterKind::Switch)
            form.setCheck(ControlOf(info), static_cast<int>(after.crop[index].value.value_or(0)));
        else
            form.setText(ControlOf(info), CropItemText(info, after.crop[index]));
    }
    if (after.sowingDate != before.sowingDate) form.setText(ctl::txtSowingDate, ItemText(after.sowingDate));
}

void WritePhenologyValues(FormModel& form, const PhenologyFit& fit) {
    const SeasonConfiguration before = ConfigurationFromForm(form);
    SeasonConfiguration after = before;
    WritePhenologyValues(after, fit);
    WriteChangedValues(before, after, form, "Phenology from observed dates");
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
    const SeasonConfiguration before = ConfigurationFromForm(form);
    SeasonConfiguration after = before;
    WriteReinitialization(after, result, parameters);
    WriteChangedValues(before, after, form, std::string(kReinitChange));
}

} // namespace tulo
