#include "engine/FormModel.h"

#include <stdexcept>

namespace tulo {

namespace {

const char* KindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Text:
        return "text box";
    case ControlKind::List:
        return "list";
    case ControlKind::Check:
        return "check box";
    case ControlKind::Option:
        return "option button";
    }
    return "control";
}

Grid CaptionedGrid(int rows, int cols, std::initializer_list<const char*> captions) {
    Grid grid(rows, cols);
    int col = 1;
    for (const char* caption : captions) grid.setText(0, col++, caption);
    return grid;
}

} // namespace

std::string ctl::chkReport(int i) {
    return "chkReport" + std::to_string(i);
}

FormModel::FormModel() {
    // Control.
    addText(std::string(ctl::txtInitialDate), "");
    addText(std::string(ctl::txtFinalDate), "");
    addOption(std::string(ctl::OptionLAItulo), "LAI", true);
    addOption(std::string(ctl::OptionLAIndvi), "LAI", false);
    addOption(std::string(ctl::OptionLAIRecalReinit), "LAI", false);
    addOption(std::string(ctl::OptionLAIexoDaily), "LAI", false);
    addOption(std::string(ctl::OptionLAIexoPeriodic), "LAI", false);
    addText(std::string(ctl::txtDOYforcingLAI), "");
    addText(std::string(ctl::txtforcingLAI), "");
    addCheck(std::string(ctl::chkSoil), 0);
    addCheck(std::string(ctl::chkDiseases), 0);
    addOption(std::string(ctl::optReportAlways), "report", false);
    addOption(std::string(ctl::optReportAsk), "report", false);
    addOption(std::string(ctl::optReportNever), "report", true);
    // Every report variable ticked, so that a report is useful without a visit to the list first.
    for (int i = 1; i <= kReportVariables; ++i) addCheck(ctl::chkReport(i), 1);

    // Crop parameters.
    addText(std::string(ctl::txtCropDescription), "");
    addText(std::string(ctl::txtTbase), "12");
    addText(std::string(ctl::txtTcutoff), "42");
    addText(std::string(ctl::txtTSUMEM), "80");
    addText(std::string(ctl::txtDLC), "");
    addText(std::string(ctl::txtDLO), "");
    addList(std::string(ctl::cmbIDSL), std::string(choice::TemperatureBased),
            {std::string(choice::TemperatureBased), std::string(choice::PhotoperiodBased),
             std::string(choice::Both)});
    addText(std::string(ctl::txtTbaseAE), "12");
    addText(std::string(ctl::txtTcutoffAE), "42");
    addText(std::string(ctl::txtTSUM1), "900");
    addText(std::string(ctl::txtTSUM2), "500");
    addText(std::string(ctl::txtDVSEND), "2.0");
    addText(std::string(ctl::txtRUE), "2.3");
    addText(std::string(ctl::txtK), "0.5");
    addText(std::string(ctl::txtTb), "12");
    addText(std::string(ctl::txtTopt), "28");
    addText(std::string(ctl::txtTmax), "35");
    addText(std::string(ctl::txtLAIemergence), "0.02");
    addText(std::string(ctl::txtSLA0), "27");
    addText(std::string(ctl::txtSLA035), "18");
    addText(std::string(ctl::txtRipL0), "0.8");
    addText(std::string(ctl::txtLeafDuration), "950");
    addText(std::string(ctl::txtPanicleHeight), "100");
    addText(std::string(ctl::txtKcFullCanopy), "1.05");
    addCheck(std::string(ctl::chkSterilityActive), 0);
    addText(std::string(ctl::txtStSen), "1");
    addText(std::string(ctl::txtStTempThreshold), "13");
    addList(std::string(ctl::cmbSenDuration), std::string(choice::ManyDays),
            {std::string(choice::ManyDays), std::string(choice::RestrictedPeriod)});

    // Management.
    addText(std::string(ctl::txtManagDescription), "");
    addText(std::string(ctl::txtSowingDate), "");
    addList(std::string(ctl::cmbFlooded), std::string(choice::Unflooded),
            {std::string(choice::Flooded), std::string(choice::Unflooded)});
    addText(std::string(ctl::txtWaterLevel), "");
    addText(std::string(ctl::txtLatitude), "");
    addCheck(std::string(ctl::optWlevelIncrease), 0);
    addText(std::string(ctl::txtPreFlowWaterLevel), "15");
    addOption(std::string(ctl::OptionFixWlevel), "water level", false);
    addOption(std::string(ctl::OptionDynamicWlevel), "water level", false);
    addText(std::string(ctl::txtInitialWaterLevel), "");
    addList(std::string(ctl::cmbBlastProduct), std::string(choice::NoTreatment),
            {std::string(choice::NoTreatment)});
    addText(std::string(ctl::txtBlastClass), "1");

    // Grids.
    grids_.emplace(ctl::sprWeather, CaptionedGrid(kWeatherRows, kWeatherCols,
                                                  {"DOY", "Rain(mm)", "Tmax(°C)", "Tmin(°C)", "Rad (MJ/m2)",
                                                   "RHmax (%)", "RHmin (%)"}));
    grids_.emplace(ctl::sprSoilPhysics,
                   CaptionedGrid(kSoilRows, kSoilCols,
                                 {"Thickness (mm)", "Bulk density (g/cm3)", "Carbon (%)", "Clay (%)",
                                  "Sand (%)", "Alpha (1/cm)", "n", "SWCres (m3/m3)", "Field capacity (m3/m3)",
                                  "Permanent wilting point (m3/m3)", "SWCsat (m3/m3)",
                                  "Saturated hydraulic conductivity (mm/h)", "SWCstart (mm)"}));
    Grid input = CaptionedGrid(kWaterInputRows, kWaterInputCols,
                               {"Initial DOY", "Final DOY", "Daily input (mm)", "(h)"});
    for (int r = 1; r <= kWaterInputRows; ++r) input.setText(r, 4, "24");
    grids_.emplace(ctl::sprDynWaterInput, std::move(input));
    grids_.emplace(ctl::sprDynWaterOutput, CaptionedGrid(kWaterOutputRows, kWaterOutputCols,
                                                         {"Initial DOY", "Final DOY", "Daily output (mm)"}));
    // One row per treatment: the grid grows as treatments are added.
    grids_.emplace(ctl::sprBlastTreatment, CaptionedGrid(0, 1, {"DOY"}));
}

void FormModel::addText(std::string name, std::string value) {
    controls_.emplace(std::move(name), Control{ControlKind::Text, std::move(value), 0, {}, {}});
}

void FormModel::addList(std::string name, std::string value, std::vector<std::string> items) {
    controls_.emplace(std::move(name), Control{ControlKind::List, std::move(value), 0, {}, std::move(items)});
}

void FormModel::addCheck(std::string name, int value) {
    controls_.emplace(std::move(name), Control{ControlKind::Check, {}, value, {}, {}});
}

void FormModel::addOption(std::string name, std::string group, bool selected) {
    controls_.emplace(std::move(name),
                      Control{ControlKind::Option, {}, selected ? 1 : 0, std::move(group), {}});
}

FormModel::Control& FormModel::control(std::string_view name, ControlKind kind) {
    return const_cast<Control&>(static_cast<const FormModel&>(*this).control(name, kind));
}

const FormModel::Control& FormModel::control(std::string_view name, ControlKind kind) const {
    const auto it = controls_.find(name);
    if (it == controls_.end()) throw std::logic_error("no control named " + std::string(name));
    const bool textLike = kind == ControlKind::Text || kind == ControlKind::List;
    const bool matches = textLike
                             ? (it->second.kind == ControlKind::Text || it->second.kind == ControlKind::List)
                             : it->second.kind == kind;
    if (!matches)
        throw std::logic_error(std::string(name) + " is a " + KindName(it->second.kind) + ", not a " +
                               KindName(kind));
    return it->second;
}

void FormModel::notify(std::string_view name) const {
    if (listener_) listener_(name);
}

const std::string& FormModel::text(std::string_view name) const {
    return control(name, ControlKind::Text).text;
}

void FormModel::setText(std::string_view name, std::string value) {
    Control& c = control(name, ControlKind::Text);
    if (c.text == value) return;
    c.text = std::move(value);
    notify(name);
}

const std::vector<std::string>& FormModel::listItems(std::string_view name) const {
    return control(name, ControlKind::Text).items;
}

int FormModel::check(std::string_view name) const {
    return control(name, ControlKind::Check).value;
}

void FormModel::setCheck(std::string_view name, int value) {
    Control& c = control(name, ControlKind::Check);
    if (c.value == value) return;
    c.value = value;
    notify(name);
}

bool FormModel::option(std::string_view name) const {
    return control(name, ControlKind::Option).value != 0;
}

void FormModel::setOption(std::string_view name, bool selected) {
    Control& c = control(name, ControlKind::Option);
    if (selected) {
        for (auto& [otherName, other] : controls_)
            if (other.kind == ControlKind::Option && other.group == c.group && otherName != name &&
                other.value != 0) {
                other.value = 0;
                notify(otherName);
            }
    }
    const int value = selected ? 1 : 0;
    if (c.value == value) return;
    c.value = value;
    notify(name);
}

Grid& FormModel::grid(std::string_view name) {
    const auto it = grids_.find(name);
    if (it == grids_.end()) throw std::logic_error("no grid named " + std::string(name));
    return it->second;
}

const Grid& FormModel::grid(std::string_view name) const {
    return const_cast<FormModel&>(*this).grid(name);
}

ControlKind FormModel::kind(std::string_view name) const {
    const auto it = controls_.find(name);
    if (it == controls_.end()) throw std::logic_error("no control named " + std::string(name));
    return it->second.kind;
}

bool FormModel::hasControl(std::string_view name) const {
    return controls_.find(name) != controls_.end();
}

} // namespace tulo
