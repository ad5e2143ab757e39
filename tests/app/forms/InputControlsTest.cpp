#include "forms/InputControls.h"

#include "calibration/CalibrationParameters.h"
#include "commands/ParameterNames.h"
#include "engine/InputLimits.h"
#include "engine/Parameters.h"
#include "forms/FormModel.h"
#include "forms/InputFields.h"
#include "sensitivity/GrowthFactorTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

namespace tulo {
namespace {

// The form's table and the registry are written apart: a parameter left out, doubled, or shown by a
// control of the wrong kind would be read wrongly rather than refused.
TEST(InputControls, EveryParameterButTheConstantsHasOneControlOfItsValuesKind) {
    std::set<std::string_view> controls;
    for (const ParameterInfo& p : CropParameterRegistry()) {
        const CropControl* shown = FindCropControl(p);
        if (p.kind == ParameterKind::Constant) {
            EXPECT_EQ(shown, nullptr) << p.id;
            continue;
        }
        ASSERT_NE(shown, nullptr) << p.id;
        EXPECT_EQ(shown->id, p.id);
        EXPECT_TRUE(controls.insert(shown->control).second) << shown->control;
        EXPECT_EQ(ParameterOfControl(shown->control), &p);
        const ControlKind expected = p.kind == ParameterKind::Code     ? ControlKind::List
                                     : p.kind == ParameterKind::Switch ? ControlKind::Check
                                                                       : ControlKind::Text;
        EXPECT_EQ(shown->kind, expected) << p.id;
        // Read only for a transplanted crop, so shown beside the transplanting date.
        EXPECT_EQ(shown->group == ParameterGroup::Transplanting, p.transplanting) << p.id;
    }
    EXPECT_EQ(controls.size(), CropControls().size());
    EXPECT_EQ(ParameterOfControl(ctl::txtSowingDate), nullptr);
}

TEST(InputControls, AnInputsIdLeadsToTheFieldThatShowsItAndBack) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"RUE", "txtRUE"},
        {"IDSL", "cmbIDSL"},
        {"TmaxG", "txtTmax"},
        {"C", "C"}, // a constant has no control: it keeps its id
        {"weather.Rain", "sprWeather"},
        {"soil.Clay", "sprSoilPhysics"},
        {"Latitude", "txtLatitude"},
        {"water.Hours", "sprDynWaterInput"},
        {"SowingDate", "txtSowingDate"},
        {"reinitialization", "reinitialization"},
    };
    for (const auto& [id, field] : cases) EXPECT_EQ(FieldOfInput(id), field) << id;

    // Every limit is held by one field, and the field finds that limit again.
    std::set<std::pair<std::string_view, int>> fields;
    for (const InputLimit& limit : AllInputLimits()) {
        const LimitedField* field = FindLimitedField(limit.id);
        ASSERT_NE(field, nullptr) << limit.id;
        EXPECT_TRUE(fields.insert({field->field, field->column}).second) << limit.id;
        EXPECT_EQ(FindFieldLimit(field->field, field->column), &limit) << limit.id;
    }
    EXPECT_EQ(LimitedFields().size(), AllInputLimits().size());
    EXPECT_EQ(FindFieldLimit(ctl::sprWeather, 1), nullptr); // the day column has no limit

    // The rules between parameters name the parameter to change; the form points them at its box.
    CropParameters crop = DefaultCropParameters();
    crop.Tb = 30;
    const Problems problems = PointedAtFields(CheckParameterRelations(crop));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].field, "txtTb");
}

// A table's cell below the form counts from 0 in the configuration's table; the window shows it in its
// grid below the titles, or, for the weather, below the captions and the sheet's title row.
TEST(InputControls, ATablesCellIsPointedAtItsGridCell) {
    const std::pair<InputProblem, InputProblem> cases[] = {
        {{"weather.Rain", 149, 1, "t"}, {"sprWeather", 151, 2, "t"}},
        {{"weather.Day", 0, 0, "t"}, {"sprWeather", 2, 1, "t"}},
        {{"weather.Titles", 0, 5, "t"}, {"sprWeather", 1, 6, "t"}},
        {{"weather", 0, 0, "t"}, {"sprWeather", 0, 0, "t"}},
        {{"soil.StartingWater", 4, 12, "t"}, {"sprSoilPhysics", 5, 13, "t"}},
        {{"water.LastDay", 0, 1, "t"}, {"sprDynWaterInput", 1, 2, "t"}},
        {{"blast.TreatmentDay", 1, 0, "t"}, {"sprBlastTreatment", 2, 1, "t"}},
        {{"blast.Treatments", 0, 0, "t"}, {"sprBlastTreatment", 0, 0, "t"}},
        {{"Flooding", 0, 0, "t"}, {"cmbFlooded", 0, 0, "t"}},
        {{"BlastClass", 0, 0, "t"}, {"txtBlastClass", 0, 0, "t"}},
    };
    for (const auto& [below, shown] : cases) EXPECT_EQ(PointedAtField(below), shown) << below.field;
    // Every limited input of a grid is one of its cells.
    for (const LimitedField& field : LimitedFields()) {
        if (field.column == 0) continue;
        EXPECT_EQ(PointedAtField({std::string(field.id), 0, field.column - 1, {}}).column, field.column)
            << field.id;
    }
}

// The tables beside the calibration, the sensitivity analysis and the workbook name registry ids, and
// a parameter is found by any name they give it.
TEST(InputControls, TheOtherTablesNameRegistryParametersThatTheirNamesFind) {
    for (const CalibrationParameter& p : CalibrationParameters()) {
        const ParameterInfo* info = FindParameter(p.id);
        ASSERT_NE(info, nullptr) << p.id;
        EXPECT_EQ(info->kind, ParameterKind::Number) << p.id; // the simplex moves it continuously
        EXPECT_EQ(FindParameterByName(p.caption), info) << p.caption;
        EXPECT_EQ(FindParameterByName(p.key), info) << p.key;
    }
    int number = 0;
    for (const sensitivity::GrowthFactorEntry& f : sensitivity::GrowthFactorTable()) {
        EXPECT_EQ(f.number, ++number);
        ASSERT_NE(FindParameter(f.id), nullptr) << f.id;
        EXPECT_EQ(sensitivity::FindFactor("par" + std::to_string(f.number)).factor->parameter,
                  ParameterIndex(f.id));
    }
    EXPECT_EQ(number, sensitivity::kGrowthFactors);
}

} // namespace
} // namespace tulo
