#include "forms/ReadInputs.h"

#include "engine/Season.h"
#include "forms/SeasonForm.h"

namespace tulo {

Problems ReadAllInputs(FormModel& form, RunState& run) {
    Compilation compiled = CompileInputs(form);
    if (!compiled.inputs) return std::move(compiled.problems);
    ShowEstimatedHumidities(form, *compiled.inputs);
    LoadInputs(*compiled.inputs, run);
    run.crop = compiled.inputs->crop;
    return {};
}

} // namespace tulo
