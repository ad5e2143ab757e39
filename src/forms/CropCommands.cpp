#include "forms/CropCommands.h"

#include "forms/CropWorkbook.h"

namespace tulo {

namespace {

void ShowProblems(const Problems& problems, UserInterface& ui) {
    for (const InputProblem& problem : problems) ui.problem(problem);
}

// A sheet read from `file` that is not a crop workbook turns the outcome into a failure.
Outcome RefuseOtherWorkbooks(Outcome outcome, const Grid& grid, const std::string& file, Messages& messages) {
    if (!outcome) return outcome;
    const auto mismatch = CropWorkbookKeyMismatch(grid);
    if (!mismatch) return outcome;
    // A crop workbook read and written back by pandas keeps its keys, one column to the right.
    if (const auto index = ExtraIndexColumn(grid))
        messages.push_back({file + " is not a crop parameter workbook as it stands: it has " + *index + "."});
    else
        messages.push_back({file + " is not a crop parameter workbook: " + *mismatch + "."});
    return Outcome::Failed;
}

Outcome RefuseOtherWorkbooks(Outcome outcome, const Grid& grid, const std::string& file, UserInterface& ui) {
    Messages messages;
    outcome = RefuseOtherWorkbooks(outcome, grid, file, messages);
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

Outcome ReadCropWorkbookFile(Grid& grid, const std::filesystem::path& file, Messages& messages,
                             std::optional<int> sheet, std::string_view sheetOption) {
    Grid read;
    const Outcome outcome = RefuseOtherWorkbooks(
        ImportWorkbookSheet(read, file, {sheet, sheetOption, std::nullopt, false}, messages), read,
        file.string(), messages);
    if (outcome) grid = std::move(read);
    return outcome;
}

} // namespace tulo
