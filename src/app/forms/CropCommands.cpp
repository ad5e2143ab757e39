#include "forms/CropCommands.h"

#include "forms/CropWorkbook.h"

namespace tulo {

namespace {

void ShowProblems(const Problems& problems, UserInterface& ui) {
    for (const InputProblem& problem : problems) ui.problem(problem);
}

Outcome RefuseOtherWorkbooks(Outcome outcome, const Grid& grid, const std::string& file, UserInterface& ui) {
    Messages messages;
    outcome = RefuseUnlessCropWorkbook(outcome, grid, file, messages);
    ShowMessages(ui, messages);
    return outcome;
}

Outcome Apply(Outcome outcome, const Grid& grid, FormModel& form, UserInterface& ui) {
    // Only a crop workbook that was read reaches the form: what the user typed since the last one stays.
    if (outcome) ShowProblems(ApplyCropWorkbookGrid(grid, form), ui);
    return outcome;
}

} // namespace

std::optional<std::filesystem::path> SaveCropWorkbook(const FormModel& form, UserInterface& ui) {
    Problems problems;
    const auto grid = BuildCropWorkbookGrid(form, problems);
    if (!grid) {
        ShowProblems(problems, ui);
        return std::nullopt;
    }
    return SaveGridAsWorkbook(*grid, ui, "Crop");
}

Outcome OpenCropWorkbook(FormModel& form, UserInterface& ui) {
    Grid grid;
    std::string chosen;
    const Outcome outcome = OpenWorkbookIntoGrid(grid, ui, "Crop", chosen);
    return Apply(RefuseOtherWorkbooks(outcome, grid, chosen, ui), grid, form, ui);
}

Outcome ImportCropWorkbook(FormModel& form, const std::filesystem::path& file, UserInterface& ui,
                           std::optional<int> sheet) {
    Grid grid;
    const Outcome outcome = RefuseOtherWorkbooks(
        ImportWorkbookSheet(grid, file, ui, {sheet, {}, std::nullopt, false}), grid, file.string(), ui);
    return Apply(outcome, grid, form, ui);
}

} // namespace tulo
