#include "forms/SeasonForm.h"

#include "base/Numbers.h"
#include "forms/ConfigurationForm.h"
#include "forms/InputControls.h"
#include "inputs/SeasonCompile.h"

#include <algorithm>
#include <utility>

namespace tulo {

SeasonRunChoices RunChoicesOf(const FormModel& form) {
    SeasonRunChoices choices;
    choices.laiFromNdvi = form.option(ctl::OptionLAIndvi);
    choices.ndviDay = ReadWholeItem(form.text(ctl::txtDOYforcingLAI));
    choices.ndviLai = ReadSingleItem(form.text(ctl::txtforcingLAI));
    return choices;
}

Compilation CompileInputs(const FormModel& form) {
    Compilation compiled = CompileSeason(ConfigurationFromForm(form), RunChoicesOf(form));
    compiled.problems = PointedAtFields(std::move(compiled.problems));
    compiled.warnings = PointedAtFields(std::move(compiled.warnings));
    return compiled;
}

void ShowEstimatedHumidities(FormModel& form, const SeasonInputs& inputs) {
    if (!inputs.humidityEstimated) return;
    // Worked out again at every run from the temperatures: shown, but no edit to undo or to save.
    const FormModel::Derived derived(form);
    form.editGrid(ctl::sprWeather, [&](Grid& grid) {
        if (grid.rows() < kWeatherRows || grid.cols() < kWeatherCols)
            grid.resize(std::max(grid.rows(), kWeatherRows), std::max(grid.cols(), kWeatherCols));
        // The days the season read: the first year's, and the later days of one that crosses 31 December.
        const int days = std::min(grid.rows() - 1, ScanEnd(inputs.control));
        for (int d = 1; d <= days; ++d) {
            grid.setText(d + 1, 6, ShortestText(inputs.weather.RHmax[d]));
            grid.setText(d + 1, 7, ShortestText(inputs.weather.RHmin[d]));
            grid.setBackground(d + 1, 6, kLightCyan);
            grid.setBackground(d + 1, 7, kLightCyan);
        }
    });
}

} // namespace tulo
