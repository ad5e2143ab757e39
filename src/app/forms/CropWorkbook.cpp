#include "forms/CropWorkbook.h"

#include "forms/InputControls.h"

#include <string>

namespace tulo {

namespace {

// The form's crop boxes and check boxes, a parameter's found by its control. The functions hold the form
// by pointer: they live no longer than the call they are made for.
CropParameterTexts FormCrop(const FormModel* form) {
    return {[form](const ParameterInfo& p) { return form->text(ControlOf(p)); },
            [form](const ParameterInfo& p) { return form->check(ControlOf(p)); },
            {},
            {},
            [](const ParameterInfo& p) { return std::string(ControlOf(p)); }};
}

CropParameterTexts FormCrop(FormModel* form) {
    CropParameterTexts crop = FormCrop(static_cast<const FormModel*>(form));
    crop.setText = [form](const ParameterInfo& p, std::string text) {
        form->setText(ControlOf(p), std::move(text));
    };
    crop.setCheck = [form](const ParameterInfo& p, int check) { form->setCheck(ControlOf(p), check); };
    return crop;
}

} // namespace

std::optional<Grid> BuildCropWorkbookGrid(const FormModel& form, Problems& problems) {
    return BuildCropWorkbookGrid(form.text(ctl::txtCropDescription), FormCrop(&form), problems);
}

Problems ApplyCropWorkbookGrid(const Grid& grid, FormModel& form) {
    FormModel::Batch batch(form, "Open crop"); // a crop read is one step to undo
    form.setText(ctl::txtCropDescription, grid.text(kCropDescriptionRow, kCropDescriptionColumn));
    return ApplyCropWorkbookGrid(grid, FormCrop(&form));
}

void NewCrop(FormModel& form) {
    FormModel::Batch batch(form, "New crop");
    form.setText(ctl::txtCropDescription, "");
    for (const WorkbookParameterRow& row : WorkbookParameterRows()) {
        const ParameterInfo& parameter = *FindParameter(row.id);
        if (parameter.kind == ParameterKind::Switch)
            form.setCheck(ControlOf(parameter), 0);
        else
            form.setText(ControlOf(parameter), "");
    }
}

void NewManagement(FormModel& form) {
    FormModel::Batch batch(form, "New management");
    for (const auto control : {ctl::txtManagDescription, ctl::txtSowingDate, ctl::txtLatitude,
                               ctl::cmbFlooded, ctl::txtWaterLevel})
        form.setText(control, "");
}

} // namespace tulo
