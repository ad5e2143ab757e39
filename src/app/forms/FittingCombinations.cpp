#include "forms/FittingCombinations.h"

#include "base/Numbers.h"
#include "engine/Parameters.h"
#include "forms/InputControls.h"
#include "io/DataFolder.h"
#include "io/TextFiles.h"

#include <algorithm>
#include <fstream>

namespace tulo {

namespace fs = std::filesystem;

void FittingToGrid(Grid& fitting, int& k, const Evaluation& evaluation, const FormModel& form,
                   UserInterface& ui, const fs::path& folder) {
    const std::vector<std::string> row = FittingRow(k, evaluation);
    if (fitting.rows() < k || fitting.cols() < static_cast<int>(row.size()) - 1)
        fitting.resize(std::max(fitting.rows(), k),
                       std::max(fitting.cols(), static_cast<int>(row.size()) - 1));
    for (std::size_t c = 0; c < row.size(); ++c) fitting.setText(k, static_cast<int>(c), row[c]);
    if (const Outcome saved = SaveCombination(k, form, folder); !saved) ui.message(saved.message);
    ++k;
}

// The crop values a combination keeps, line by line; the sterility box is kept as its state.
namespace {

constexpr std::string_view kCombinationLines[] = {"Tbase",
                                                  "Tcutoff",
                                                  "TSUMEM",
                                                  "DLC",
                                                  "DLO",
                                                  "IDSL",
                                                  "TbaseAfterEmerg",
                                                  "TcutoffAfterEmerg",
                                                  "TSUM1",
                                                  "TSUM2",
                                                  "DVSEND",
                                                  "RUE",
                                                  "K",
                                                  "Tb",
                                                  "Topt",
                                                  "TmaxG",
                                                  "LAIemerg",
                                                  "SLA0",
                                                  "SLA035",
                                                  "RipL0",
                                                  "GDDLeafLife",
                                                  "PanicleHmax",
                                                  "SterilityActive",
                                                  "StSen",
                                                  "TempStThreshold",
                                                  "SenDuration"};

std::vector<std::string_view> CombinationControls() {
    std::vector<std::string_view> controls;
    for (const std::string_view id : kCombinationLines) controls.push_back(ControlOf(*FindParameter(id)));
    return controls;
}
// The registry and the controls are constants, so they are complete before this is built.
const std::vector<std::string_view> kCombinationControls = CombinationControls();
const std::size_t kCombinationValues = kCombinationControls.size();

fs::path CombinationFile(int k, const fs::path& folder) {
    return folder / (std::to_string(k) + ".crp");
}

} // namespace

fs::path CombinationFolder() {
    return DataFolder() / "Combination of crop paramters";
}

Outcome SaveCombination(int k, const FormModel& form, const fs::path& folder) {
    std::string content;
    for (const std::string_view control : kCombinationControls) {
        std::string value = form.kind(control) == ControlKind::Check ? std::to_string(form.check(control))
                                                                     : form.text(control);
        for (char& c : value)
            if (c == '\r' || c == '\n') c = ' ';
        content += value + "\r\n";
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec)
        return Outcome::Failure("Cannot create the folder " + folder.string() + ": " + ec.message() + ".");
    return WriteFileAtomically(CombinationFile(k, folder), content);
}

bool RestoreCombination(int k, FormModel& form, UserInterface& ui, const fs::path& folder) {
    const fs::path file = CombinationFile(k, folder);
    const std::string cannot = "The combination #" + std::to_string(k) + " cannot be restored: ";
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        ui.message(cannot + "its file " + file.string() + " is missing.");
        return false;
    }
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < kCombinationValues && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    if (lines.size() < kCombinationValues) {
        ui.message(cannot + "its file " + file.string() + " holds " + std::to_string(lines.size()) +
                   " of the " + std::to_string(kCombinationValues) + " values.");
        return false;
    }
    // Check everything before changing anything.
    FormModel restored = form;
    for (std::size_t i = 0; i < kCombinationValues; ++i) {
        const std::string_view control = kCombinationControls[i];
        if (restored.kind(control) == ControlKind::Check) {
            const auto state = ParseInt32(lines[i]);
            if (!state || (*state != 0 && *state != 1)) {
                ui.message(cannot + "line " + std::to_string(i + 1) + " of " + file.string() +
                           " should be 0 or 1 (the sterility switch).");
                return false;
            }
            restored.setCheck(control, *state);
        } else {
            restored.setText(control, lines[i]);
        }
    }
    for (const std::string_view control : kCombinationControls) {
        if (form.kind(control) == ControlKind::Check)
            form.setCheck(control, restored.check(control));
        else
            form.setText(control, restored.text(control));
    }
    return true;
}

std::optional<Grid> FittingMatrixGrid(const FittingMatrix& matrix, UserInterface& ui) {
    if (matrix.measured.empty()) {
        ui.message("Fitting Matrix does not exist");
        return std::nullopt;
    }
    Grid grid(static_cast<int>(matrix.measured.size()) + 1, 2);
    grid.setText(1, 1, "measured");
    grid.setText(1, 2, "simulated");
    for (std::size_t j = 0; j < matrix.measured.size(); ++j) {
        grid.setText(static_cast<int>(j) + 2, 1, ShortestText(matrix.measured[j]));
        grid.setText(static_cast<int>(j) + 2, 2, ShortestText(matrix.simulated[j]));
    }
    return grid;
}

std::span<const std::string_view> CombinationParameterIds() {
    return kCombinationLines;
}

} // namespace tulo
