#include "io/CropCommands.h"

#include "io/CropWorkbook.h"

namespace tulo {

namespace {

void ShowProblems(const Problems& problems, UserInterface& ui) {
    for (const InputProblem& problem : problems) ui.message(problem.text);
}

ImportOutcome Apply(ImportOutcome outcome, const Grid& grid, FormModel& form, UserInterface& ui) {
    // Only a workbook that was read reaches the form: what the user typed since the last one stays.
    if (outcome == ImportOutcome::Imported) ShowProblems(ApplyCropWorkbookGrid(grid, form), ui);
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

ImportOutcome OpenCropWorkbook(FormModel& form, UserInterface& ui) {
    Grid grid;
    std::string chosen;
    return Apply(OpenWorkbookIntoGrid(grid, ui, "Crop", chosen), grid, form, ui);
}

ImportOutcome ImportCropWorkbook(FormModel& form, const std::filesystem::path& file, UserInterface& ui,
                                 std::optional<int> sheet) {
    Grid grid;
    return Apply(ImportWorkbookFile(grid, file, ui, sheet), grid, form, ui);
}

} // namespace tulo
