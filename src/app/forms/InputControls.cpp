#include "forms/InputControls.h"

#include "forms/InputFields.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace tulo {

namespace {

constexpr CropControl kCropControls[] = {
    {"Tbase", ctl::txtTbase, ControlKind::Text, ParameterGroup::Development},
    {"Tcutoff", ctl::txtTcutoff, ControlKind::Text, ParameterGroup::Development},
    {"TSUMEM", ctl::txtTSUMEM, ControlKind::Text, ParameterGroup::Development},
    {"DLC", ctl::txtDLC, ControlKind::Text, ParameterGroup::Development},
    {"DLO", ctl::txtDLO, ControlKind::Text, ParameterGroup::Development},
    {"IDSL", ctl::cmbIDSL, ControlKind::List, ParameterGroup::Development},
    {"TbaseAfterEmerg", ctl::txtTbaseAE, ControlKind::Text, ParameterGroup::Development},
    {"TcutoffAfterEmerg", ctl::txtTcutoffAE, ControlKind::Text, ParameterGroup::Development},
    {"TSUM1", ctl::txtTSUM1, ControlKind::Text, ParameterGroup::Development},
    {"TSUM2", ctl::txtTSUM2, ControlKind::Text, ParameterGroup::Development},
    {"DVSEND", ctl::txtDVSEND, ControlKind::Text, ParameterGroup::Development},
    {"RUE", ctl::txtRUE, ControlKind::Text, ParameterGroup::Biomass},
    {"K", ctl::txtK, ControlKind::Text, ParameterGroup::Biomass},
    {"Tb", ctl::txtTb, ControlKind::Text, ParameterGroup::Biomass},
    {"Topt", ctl::txtTopt, ControlKind::Text, ParameterGroup::Biomass},
    {"TmaxG", ctl::txtTmax, ControlKind::Text, ParameterGroup::Biomass},
    {"LAIemerg", ctl::txtLAIemergence, ControlKind::Text, ParameterGroup::Biomass},
    {"SLA0", ctl::txtSLA0, ControlKind::Text, ParameterGroup::Biomass},
    {"SLA035", ctl::txtSLA035, ControlKind::Text, ParameterGroup::Biomass},
    {"RipL0", ctl::txtRipL0, ControlKind::Text, ParameterGroup::Biomass},
    {"GDDLeafLife", ctl::txtLeafDuration, ControlKind::Text, ParameterGroup::Biomass},
    {"PanicleHmax", ctl::txtPanicleHeight, ControlKind::Text, ParameterGroup::Biomass},
    {"KcFullCanopy", ctl::txtKcFullCanopy, ControlKind::Text, ParameterGroup::Biomass},
    {"SterilityActive", ctl::chkSterilityActive, ControlKind::Check, ParameterGroup::Sterility},
    {"StSen", ctl::txtStSen, ControlKind::Text, ParameterGroup::Sterility},
    {"TempStThreshold", ctl::txtStTempThreshold, ControlKind::Text, ParameterGroup::Sterility},
    {"SenDuration", ctl::cmbSenDuration, ControlKind::List, ParameterGroup::Sterility},
    {"NPLSB", ctl::txtNPLSB, ControlKind::Text, ParameterGroup::Transplanting},
    {"NH", ctl::txtNH, ControlKind::Text, ParameterGroup::Transplanting},
    {"NPLH", ctl::txtNPLH, ControlKind::Text, ParameterGroup::Transplanting},
    {"SHCKD", ctl::txtSHCKD, ControlKind::Text, ParameterGroup::Transplanting},
};

constexpr LimitedField kLimitedFields[] = {
    {"weather.Rain", ctl::sprWeather, 2},
    {"weather.Tmax", ctl::sprWeather, 3},
    {"weather.Tmin", ctl::sprWeather, 4},
    {"weather.Radiation", ctl::sprWeather, 5},
    {"weather.RHmax", ctl::sprWeather, 6},
    {"weather.RHmin", ctl::sprWeather, 7},
    {"soil.Thickness", ctl::sprSoilPhysics, 1},
    {"soil.BulkDensity", ctl::sprSoilPhysics, 2},
    {"soil.OrganicCarbon", ctl::sprSoilPhysics, 3},
    {"soil.Clay", ctl::sprSoilPhysics, 4},
    {"soil.Sand", ctl::sprSoilPhysics, 5},
    {"soil.Alpha", ctl::sprSoilPhysics, 6},
    {"soil.N", ctl::sprSoilPhysics, 7},
    {"soil.ResidualWater", ctl::sprSoilPhysics, 8},
    {"soil.FieldCapacity", ctl::sprSoilPhysics, 9},
    {"soil.WiltingPoint", ctl::sprSoilPhysics, 10},
    {"soil.SaturatedWater", ctl::sprSoilPhysics, 11},
    {"soil.Ksat", ctl::sprSoilPhysics, 12},
    {"soil.StartingWater", ctl::sprSoilPhysics, 13},
    {"Latitude", ctl::txtLatitude, 0},
    {"WaterLevel", ctl::txtWaterLevel, 0},
    {"PreFlowWaterLevel", ctl::txtPreFlowWaterLevel, 0},
    {"InitialWaterLevel", ctl::txtInitialWaterLevel, 0},
    {"water.Input", ctl::sprDynWaterInput, 3},
    {"water.Hours", ctl::sprDynWaterInput, 4},
};

// Inputs other than parameters and limits that a problem below the form may name.
constexpr std::pair<std::string_view, std::string_view> kOtherFields[] = {
    {"InitialDate", ctl::txtInitialDate},
    {"FinalDate", ctl::txtFinalDate},
    {"DOYforcingLAI", ctl::txtDOYforcingLAI},
    {"ForcingLAI", ctl::txtforcingLAI},
    {"SowingDate", ctl::txtSowingDate},
    {"TransplantingDate", ctl::txtTransplantingDate},
    {"Flooding", ctl::cmbFlooded},
    {"WaterLevelMethod", ctl::OptionFixWlevel},
    {"BlastClass", ctl::txtBlastClass},
};

// The tables' inputs a problem below the form may name, and the grid that shows them. A cell's row and
// column count from 0 in the table, which the grid shows from `firstRow` on and from its column 1; an
// input the grid shows in no cell of its own (a whole table) has `firstRow` 0.
struct TableInput {
    std::string_view id;
    std::string_view grid;
    int firstRow;
};
constexpr TableInput kTableInputs[] = {
    {"weather", ctl::sprWeather, 0},
    {"weather.Titles", ctl::sprWeather, 1},
    {"weather.Day", ctl::sprWeather, 2},
    {"weather.Rain", ctl::sprWeather, 2},
    {"weather.Tmax", ctl::sprWeather, 2},
    {"weather.Tmin", ctl::sprWeather, 2},
    {"weather.Radiation", ctl::sprWeather, 2},
    {"weather.RHmax", ctl::sprWeather, 2},
    {"weather.RHmin", ctl::sprWeather, 2},
    {"soil.Thickness", ctl::sprSoilPhysics, 1},
    {"soil.BulkDensity", ctl::sprSoilPhysics, 1},
    {"soil.OrganicCarbon", ctl::sprSoilPhysics, 1},
    {"soil.Clay", ctl::sprSoilPhysics, 1},
    {"soil.Sand", ctl::sprSoilPhysics, 1},
    {"soil.Alpha", ctl::sprSoilPhysics, 1},
    {"soil.N", ctl::sprSoilPhysics, 1},
    {"soil.ResidualWater", ctl::sprSoilPhysics, 1},
    {"soil.FieldCapacity", ctl::sprSoilPhysics, 1},
    {"soil.WiltingPoint", ctl::sprSoilPhysics, 1},
    {"soil.SaturatedWater", ctl::sprSoilPhysics, 1},
    {"soil.Ksat", ctl::sprSoilPhysics, 1},
    {"soil.StartingWater", ctl::sprSoilPhysics, 1},
    {"water.FirstDay", ctl::sprDynWaterInput, 1},
    {"water.LastDay", ctl::sprDynWaterInput, 1},
    {"water.Input", ctl::sprDynWaterInput, 1},
    {"water.Hours", ctl::sprDynWaterInput, 1},
    {"blast.Treatments", ctl::sprBlastTreatment, 0},
    {"blast.TreatmentDay", ctl::sprBlastTreatment, 1},
};

// The control of each registry entry, by the entry's position.
const std::vector<const CropControl*>& ControlsByParameter() {
    static const std::vector<const CropControl*> byParameter = [] {
        std::vector<const CropControl*> list(CropParameterRegistry().size(), nullptr);
        for (const CropControl& c : kCropControls) {
            const int index = ParameterIndex(c.id);
            if (index >= 0) list[static_cast<std::size_t>(index)] = &c;
        }
        return list;
    }();
    return byParameter;
}

} // namespace

std::span<const CropControl> CropControls() {
    return kCropControls;
}

const CropControl* FindCropControl(const ParameterInfo& info) {
    const auto registry = CropParameterRegistry();
    const auto index = static_cast<std::size_t>(&info - registry.data());
    return index < registry.size() ? ControlsByParameter()[index] : nullptr;
}

std::string_view ControlOf(const ParameterInfo& info) {
    const CropControl* control = FindCropControl(info);
    return control ? control->control : std::string_view();
}

const ParameterInfo* ParameterOfControl(std::string_view control) {
    for (const CropControl& c : kCropControls)
        if (c.control == control) return FindParameter(c.id);
    return nullptr;
}

std::span<const LimitedField> LimitedFields() {
    return kLimitedFields;
}

const InputLimit* FindFieldLimit(std::string_view field, int column) {
    for (const LimitedField& f : kLimitedFields)
        if (f.field == field && f.column == column) return FindInputLimit(f.id);
    return nullptr;
}

const LimitedField* FindLimitedField(std::string_view id) {
    for (const LimitedField& f : kLimitedFields)
        if (f.id == id) return &f;
    return nullptr;
}

std::string FieldOfInput(std::string_view id) {
    if (const ParameterInfo* info = FindParameter(id)) {
        const std::string_view control = ControlOf(*info);
        return std::string(control.empty() ? id : control);
    }
    if (const LimitedField* field = FindLimitedField(id)) return std::string(field->field);
    for (const auto& [input, field] : kOtherFields)
        if (input == id) return std::string(field);
    return std::string(id);
}

InputProblem PointedAtField(InputProblem problem) {
    for (const TableInput& table : kTableInputs)
        if (table.id == problem.field) {
            problem.field = std::string(table.grid);
            if (table.firstRow == 0) {
                problem.row = problem.column = 0;
            } else {
                problem.row += table.firstRow;
                problem.column += 1;
            }
            return problem;
        }
    problem.field = FieldOfInput(problem.field);
    return problem;
}

Problems PointedAtFields(Problems problems) {
    for (InputProblem& problem : problems) problem = PointedAtField(std::move(problem));
    return problems;
}

} // namespace tulo
