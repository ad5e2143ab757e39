#pragma once
// The evaluation's ties to the form: each row of the fitting-combinations table keeps the crop values of
// the form it came from in a file of its own, which puts them back on request, and the fitting matrix is
// exported as a table.

#include "engine/Grid.h"
#include "evaluation/MeasuredEvaluation.h"
#include "forms/FormModel.h"
#include "forms/UserInterface.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tulo {

// Adds row k of the fitting-combinations table (resized when needed) and saves combination k, then
// moves k on; a failed save is reported.
void FittingToGrid(Grid& fitting, int& k, const Evaluation& evaluation, const FormModel& form,
                   UserInterface& ui, const std::filesystem::path& folder);

// Parameter-combination files: k.crp in the folder "Combination of crop paramters" of the data folder.
std::filesystem::path CombinationFolder();
// The crop parameters a combination file keeps, line by line, by their registry ids.
std::span<const std::string_view> CombinationParameterIds();
// Writes the 26 crop values of the form; a failure says why.
Outcome SaveCombination(int k, const FormModel& form,
                        const std::filesystem::path& folder = CombinationFolder());
// Puts combination k back into the form; a missing or incomplete file gives a message and changes
// nothing. Returns whether the combination was restored.
bool RestoreCombination(int k, FormModel& form, UserInterface& ui,
                        const std::filesystem::path& folder = CombinationFolder());

// The fitting matrix as a table to export: "measured" and "simulated" in row 1, the pairs below. With no
// pair: the message "Fitting Matrix does not exist" and nothing.
std::optional<Grid> FittingMatrixGrid(const FittingMatrix& matrix, UserInterface& ui);

} // namespace tulo
