#pragma once
// The sensitivity window's settings as plain data: the eleven growth rows, the method with its controls,
// the sample file opened, and the checks that turn them into an analysis request. The desktop window
// shows and edits a SetupForm; the checks, their order and their messages live here, so that they are
// the same with or without a display.

#include "engine/Grid.h"
#include "forms/UserInterface.h"
#include "sensitivity/Analysis.h"

#include <array>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tulo::sensitivity {

inline constexpr std::string_view kSetupTitle = "TULO - Sensitivity Analysis";
inline constexpr std::string_view kNotEnabled = "!!! NOT ENABLED IN THIS VERSION !!!";
// The title of the refusals.
inline constexpr std::string_view kCheckTitle = "TULO sensitivity analysis";

enum class SetupPage { Development = 0, Growth = 1, Sterility = 2 };

// The lists of the window, in the order shown (the methods are MethodNames()).
std::span<const std::string_view> DistributionNames(); // "normal", "uniform", "constant"
std::span<const std::string_view> FastComputations();  // "Classic", "Extended"
std::span<const std::string_view> SobolComputations(); // "total", "custom"
std::span<const std::string_view> SobolOrders();       // "first", "second", "third"
std::vector<std::string> MorrisTrajectories();         // "4" .. "10"
std::vector<std::string> MorrisLevels();               // "4", "6", "8"
std::vector<std::string> LpTauExecutions();            // 16, 32, ... 16 * 2^16
// The Sobol' executions offered for `ticked` factors: 2^(5 + i) (k + 1) for "total", 2^(5 + i) k for
// "custom", i = 0..7; none for any other computation text.
std::vector<std::string> SobolExecutions(int ticked, std::string_view computation);

struct GrowthRow {
    bool used = false;
    std::string distribution = "normal";
    std::string mean;
    std::string sd;
};

// What the window shows, as typed. A default form holds the registry's means and deviations, no row
// ticked, and a ready-to-run setting for every method.
struct SetupForm {
    SetupForm();

    SetupPage page = SetupPage::Growth;
    std::array<GrowthRow, kGrowthFactors> rows;
    std::string method = "Latin hypercube sampling";
    std::string fastComputation = "Classic", fastExecutions = "1000", fastSeed = "1";
    std::string lhsSeed = "1", lhsExecutions = "100";
    std::string morrisSeed = "1", morrisTrajectories{kDefaultMorrisTrajectories}, morrisLevels = "4";
    std::string lptauExecutions = "128";
    std::string randomExecutions = "100", randomSeed = "1";
    std::string sobolComputation = "total", sobolOrder = "first", sobolExecutions;
    // Label6: a sample file chosen with Open, which replaces drawing a sample; empty otherwise.
    std::string samplePath;
    // cmbSAOutput: the caption of what each season gives the indices (OutputChoices()).
    std::string output{OutputChoices().front().caption};

    int ticked() const;
    void selectAll();
};

// The checks of "Create samples and run the simulations" in the order the user meets them, and the
// analysis they ask for when they pass. A flooded field is analysed as any other: each sample runs the
// season with the configuration's water.
// A check that stops the command refuses with one message box.
std::variant<Message, AnalysisRequest> CheckSetup(const SetupForm& form);

// An index as the results grid shows it ("#.#####"): at most five decimals, no zero before the point,
// no trailing zeros or point: 0.25 -> ".25", 1 -> "1", -0.5 -> "-.5", 0 -> "0".
std::string FormatIndex(double value);

// The results grid sprSAindices: row 0 the captions, then one row per factor with its name, label, the
// two indices ("did not vary" for a factor whose values run were all the same), their 95 % intervals
// (blank when the index file gives none) and the number of its sampled values truncated to the
// parameter's range.
Grid IndexGrid(const IndexResults& results);

// The interaction indices of a Sobol' "custom" analysis: row 0 the captions (index, factors, value and
// its 95 % interval), then one row per interaction; no rows without interactions.
Grid InteractionGrid(const IndexResults& results);

inline constexpr std::string_view kExportTitle = "TULO - export sensitivity analysis results";
// Asks for a file and writes the index grid, and below it after a blank row the interaction grid when it
// has rows, as a workbook (.xlsx, or CSV for a .csv name); the file written, nothing when cancelled or
// when it failed (a message says why).
std::optional<std::filesystem::path> ExportIndexGrid(const Grid& indices, const Grid& interactions,
                                                     UserInterface& ui);
// The two grids as one, as the export writes them.
Grid ExportedResults(const Grid& indices, const Grid& interactions);

// The settings file (.tsa): the first line "TULO sensitivity settings", then one "key = value" line per
// setting: "page", per growth row "par1 used" (yes or no), "par1 distribution", "par1 mean", "par1 sd",
// then "method" and each method's settings ("lhs executions", "sobol order", ...), values as typed, and
// last "output" (a file written before the output was a choice ends before it, and opens with the
// end-of-crop AGB). The opened sample file is not kept: settings describe an analysis, not its data.
inline constexpr std::string_view kSettingsHeader = "TULO sensitivity settings";
std::string FormatSettingsFile(const SetupForm& form);
// Reads a settings file over a default form: settings it does not give keep their defaults. Refuses an
// unknown or repeated key and a value that is not one of its list's (naming the line).
Outcome ParseSettingsFile(std::string_view text, SetupForm& form);

} // namespace tulo::sensitivity
