#include "forms/ConfigurationForm.h"

#include "base/Calendar.h"
#include "forms/InputControls.h"
#include "inputs/ConfigurationFile.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace tulo {

namespace {

const ParameterInfo& CropInfo(const CropParameterItem& item) {
    return CropParameterRegistry()[static_cast<std::size_t>(ParameterIndex(item.id))];
}

bool IsTransplantingItem(const CropParameterItem& item) {
    return item.item >= kFirstTransplantingItem;
}

int ReportOption(const FormModel& form) {
    if (form.option(ctl::optReportAlways)) return 2;
    if (form.option(ctl::optReportAsk)) return 1;
    return 0;
}

// The rows of a table the configuration holds; the rows after them take the window's opening contents.
void ApplyTable(Grid& grid, const Grid& opening, const NumberTable& table) {
    const int cols = table.cols();
    if (grid.rows() < table.rows() || grid.cols() < cols)
        grid.resize(std::max(grid.rows(), table.rows()), std::max(grid.cols(), cols));
    for (int r = 1; r <= grid.rows(); ++r)
        for (int c = 1; c <= grid.cols(); ++c)
            grid.setText(r, c,
                         r <= table.rows() && c <= cols ? table.text(r - 1, c - 1) : opening.text(r, c));
}

// The form's changes of an opening, gathered in the order they are made: texts, then check boxes, then
// option buttons, each in file order.
struct Changes {
    std::vector<std::pair<std::string_view, std::string>> texts;
    std::vector<std::pair<std::string_view, int>> checks;

    void crop(const SeasonConfiguration& c, const FormModel& opening, bool transplanting) {
        for (const CropParameterItem& item : CropParameterItems()) {
            if (IsTransplantingItem(item) != transplanting) continue;
            const ParameterInfo& info = CropInfo(item);
            const bool held = !transplanting || c.layout == ConfigurationLayout::Complete;
            const CropItem& value = c.crop[static_cast<std::size_t>(ParameterIndex(item.id))];
            if (info.kind == ParameterKind::Switch)
                checks.emplace_back(ControlOf(info), held ? static_cast<int>(value.value.value_or(0))
                                                          : opening.check(ControlOf(info)));
            else
                texts.emplace_back(ControlOf(info),
                                   held ? CropItemText(info, value) : opening.text(ControlOf(info)));
        }
    }
};

} // namespace

SeasonConfiguration ConfigurationFromForm(const FormModel& form) {
    SeasonConfiguration c;
    c.initialDate = ReadWholeItem(form.text(ctl::txtInitialDate));
    c.finalDate = ReadWholeItem(form.text(ctl::txtFinalDate));
    c.soilSimulation = form.check(ctl::chkSoil) != 0;
    for (const CropParameterItem& item : CropParameterItems()) {
        const ParameterInfo& info = CropInfo(item);
        CropItem& value = c.crop[static_cast<std::size_t>(ParameterIndex(item.id))];
        if (info.kind == ParameterKind::Switch)
            value = CropItem{form.check(ControlOf(info)), {}};
        else
            value = ReadCropItem(info, form.text(ControlOf(info)));
    }
    c.sowingDate = ReadWholeItem(form.text(ctl::txtSowingDate));
    c.latitude = ReadSingleItem(form.text(ctl::txtLatitude));
    c.flooding = form.text(ctl::cmbFlooded);
    c.fixedWaterLevel = form.option(ctl::OptionFixWlevel);
    c.waterLevel = ReadSingleItem(form.text(ctl::txtWaterLevel));
    c.dynamicWaterLevel = form.option(ctl::OptionDynamicWlevel);
    c.initialWaterLevel = ReadRealItem(form.text(ctl::txtInitialWaterLevel));

    c.waterInflow = TableFromGrid(form.grid(ctl::sprDynWaterInput), kWaterInputRows, kWaterInputCols);
    c.waterOutflow = TableFromGrid(form.grid(ctl::sprDynWaterOutput), kWaterOutputRows, kWaterOutputCols);
    const Grid& weather = form.grid(ctl::sprWeather);
    for (int col = 1; col <= kWeatherCols; ++col)
        c.weatherTitles[static_cast<std::size_t>(col - 1)] = weather.text(1, col);
    // The first year's 365 days, and the later days the grid holds.
    int lastRow = kWeatherRows;
    for (int r = weather.rows(); r > kWeatherRows && lastRow == kWeatherRows; --r)
        for (int col = 1; col <= kWeatherCols; ++col)
            if (!weather.text(r, col).empty()) lastRow = r;
    c.weather = NumberTable(lastRow - 1, kWeatherCols);
    for (int r = 2; r <= lastRow; ++r)
        for (int col = 1; col <= kWeatherCols; ++col) c.weather.setText(r - 2, col - 1, weather.text(r, col));
    c.soil = TableFromGrid(form.grid(ctl::sprSoilPhysics), kSoilRows, kSoilCols);

    c.diseaseSimulation = form.check(ctl::chkDiseases) != 0;
    c.blastClass = ReadWholeItem(form.text(ctl::txtBlastClass));
    c.blastProduct = form.text(ctl::cmbBlastProduct);
    const Grid& treatments = form.grid(ctl::sprBlastTreatment);
    for (int r = 1; r <= treatments.rows(); ++r)
        c.treatmentDays.push_back(ReadWholeItem(treatments.text(r, 1)));
    c.reportOption = ReportOption(form);
    c.raiseWaterAgainstColdShock = form.check(ctl::optWlevelIncrease) != 0;
    c.preFloweringWaterLevel = ReadSingleItem(form.text(ctl::txtPreFlowWaterLevel));
    c.transplanted = form.check(ctl::chkTransplanted) != 0;
    c.transplantingDate = ReadWholeItem(form.text(ctl::txtTransplantingDate));
    c.year = ParseSeasonYear(form.text(ctl::txtSeasonYear));
    return c;
}

void ApplyConfiguration(const SeasonConfiguration& c, FormModel& form) {
    const FormModel opening;
    const bool hasDiseases = c.layout != ConfigurationLayout::ThroughSoil;
    const bool hasTransplanting = c.layout == ConfigurationLayout::Complete;

    Changes changes;
    changes.texts.emplace_back(ctl::txtInitialDate, ItemText(c.initialDate));
    changes.texts.emplace_back(ctl::txtFinalDate, ItemText(c.finalDate));
    changes.checks.emplace_back(ctl::chkSoil, c.soilSimulation);
    changes.crop(c, opening, false);
    changes.texts.emplace_back(ctl::txtSowingDate, ItemText(c.sowingDate));
    changes.texts.emplace_back(ctl::txtLatitude, ItemText(c.latitude));
    changes.texts.emplace_back(ctl::cmbFlooded, c.flooding);
    changes.texts.emplace_back(ctl::txtWaterLevel, ItemText(c.waterLevel));
    changes.texts.emplace_back(ctl::txtInitialWaterLevel, ItemText(c.initialWaterLevel));
    // A season whose year nothing told has none; its dates are then shown on a year of 365 days,
    // whatever year the configuration open before had.
    changes.texts.emplace_back(ctl::txtSeasonYear, c.year ? std::to_string(*c.year) : std::string());
    // A file of an older layout ends before the later controls, which then take their opening values.
    const auto text = [&](std::string_view control, std::string value, bool held) {
        changes.texts.emplace_back(control, held ? std::move(value) : opening.text(control));
    };
    const auto check = [&](std::string_view control, bool value, bool held) {
        changes.checks.emplace_back(control, held ? int{value} : opening.check(control));
    };
    check(ctl::chkDiseases, c.diseaseSimulation, hasDiseases);
    text(ctl::txtBlastClass, ItemText(c.blastClass), hasDiseases);
    text(ctl::cmbBlastProduct, c.blastProduct, hasDiseases);
    check(ctl::optWlevelIncrease, c.raiseWaterAgainstColdShock, hasDiseases);
    text(ctl::txtPreFlowWaterLevel, ItemText(c.preFloweringWaterLevel), hasDiseases);
    check(ctl::chkTransplanted, c.transplanted, hasTransplanting);
    text(ctl::txtTransplantingDate, ItemText(c.transplantingDate), hasTransplanting);
    changes.crop(c, opening, true);

    // One notification, so that a load is one step to undo.
    FormModel::Batch batch(form);
    for (const auto& [control, value] : changes.texts) form.setText(control, value);
    for (const auto& [control, value] : changes.checks) form.setCheck(control, value);
    // In file order, so that when both water-level options say True the later one is selected, and
    // when both say False neither is.
    form.setOption(ctl::OptionFixWlevel, c.fixedWaterLevel);
    form.setOption(ctl::OptionDynamicWlevel, c.dynamicWaterLevel);
    const std::string_view report[] = {ctl::optReportNever, ctl::optReportAsk, ctl::optReportAlways};
    form.setOption(report[std::clamp(c.reportOption, 0, 2)], true);

    const auto applyTable = [&](std::string_view grid, const NumberTable& table) {
        form.editGrid(grid, [&](Grid& g) { ApplyTable(g, opening.grid(grid), table); });
    };
    applyTable(ctl::sprDynWaterInput, c.waterInflow);
    applyTable(ctl::sprDynWaterOutput, c.waterOutflow);
    applyTable(ctl::sprSoilPhysics, c.soil);

    // The estimated-humidity markers belong to the weather that was there before.
    form.editGrid(ctl::sprWeather, [&](Grid& weather) {
        weather.clearData();
        const int rows = std::max(kWeatherGridRows, c.weather.rows() + 1);
        if (weather.rows() < rows || weather.cols() < kWeatherCols)
            weather.resize(std::max(weather.rows(), rows), std::max(weather.cols(), kWeatherCols));
        for (int col = 1; col <= kWeatherCols; ++col)
            weather.setText(1, col, c.weatherTitles[static_cast<std::size_t>(col - 1)]);
        for (int r = 2; r <= c.weather.rows() + 1; ++r)
            for (int col = 1; col <= kWeatherCols; ++col)
                weather.setText(r, col, c.weather.text(r - 2, col - 1));
    });

    form.editGrid(ctl::sprBlastTreatment, [&](Grid& treatments) {
        const int rows = static_cast<int>(c.treatmentDays.size());
        treatments.resize(rows, 1);
        treatments.clearData();
        for (int r = 1; r <= rows; ++r)
            treatments.setText(r, 1, ItemText(c.treatmentDays[static_cast<std::size_t>(r - 1)]));
    });
}

} // namespace tulo
