#pragma once
// The table of sensitivity methods: per method its configuration keyword, the reader of its method line,
// the bounds and wording of its size, the sizing and drawing of its design and the estimator of its
// indices. MakeDesign, ComputeIndices, ParseMethod, MethodText, IndexNames and DesignSize look the method
// up here; each method's file fills its entry.

#include "sensitivity/DesignSize.h"
#include "sensitivity/Methods.h"
#include "sensitivity/methods/Statistics.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tulo::sensitivity {

struct MethodEntry {
    MethodKind kind = MethodKind::Lhs;
    // The configuration's keyword; both FASTs share "fast", whose reader tells them apart.
    std::string_view keyword;
    // Reads the method line's tokens into a default Method, setting its kind; when they do not fit, what
    // the line must be ("a seed and a number of executions (2 or more)").
    Outcome (*parse)(std::span<const std::string> tokens, Method& method);
    // The keyword and method line that `parse` reads back ("fast 2 7 650").
    std::string (*text)(const Method& method);
    std::string_view index1Name, index2Name;
    // True when the indices are computed from the sample values rather than from the design's structure.
    bool indicesFromValues = false;
    // What DesignSize says of the size before anything is drawn: the method's name in its messages
    // ("Latin hypercube sampling"), the setting that sizes the sample and what that setting counts.
    std::string (*title)(const Method& method);
    long (*sizeSetting)(const Method& method);
    std::string_view sizeUnit = "executions";
    // The range of the size setting for `factors` factors whose design may have `mostRows` rows; nothing
    // when no size fits. DesignSize refuses a range whose most is below its least.
    std::optional<SizeLimits> (*sizeLimits)(const Method& method, int factors, long mostRows);
    // The rows of the design as `size` sets them, also for a size that `size` would refuse.
    long (*designRows)(const Method& method, int factors);
    // The refusal of a size, after "NAME of K factors", where the method words it its own way; nothing
    // for the wording every method shares (no range fits, or the setting is outside it).
    Outcome (*sizeRefusal)(const Method& method, int factors,
                           const std::optional<SizeLimits>& limits) = nullptr;
    // The number of rows of the design of `factors` factors, with what the drawing and the estimator need
    // set into `design` (base rows, frequencies, blocks); a message when the setting does not fit.
    Outcome (*size)(const Method& method, int factors, Design& design, long& rows);
    // Fills `design.unit`, already sized, in unit coordinates.
    void (*draw)(const Method& method, Design& design);
    // The indices of outputs mapped onto [-1, 1] (`outputs.half` scales them back where an index has the
    // output's units); `values` are the sample values, rows by factors, when given.
    Outcome (*indices)(const Method& method, const Design& design, std::span<const double> values,
                       const Mapped& outputs, std::vector<FactorIndices>& indices,
                       std::vector<Interaction>* interactions);
};

// Every method, one entry per MethodKind in its order.
std::span<const MethodEntry> MethodTable();
const MethodEntry& EntryOf(MethodKind kind);
// The first entry of a keyword (lower case); nothing for an unknown one.
const MethodEntry* FindEntry(std::string_view keyword);

// What the method line readers share.
inline constexpr long kMaxSeed = 2147483647;
inline constexpr long kMaxRuns = kMaxDesignRows;
// A whole number from `least` to `most`; nothing for anything else.
std::optional<long> WholeNumber(std::string_view text, long least, long most);
// "SEED EXECUTIONS" into the method's seed and executions.
Outcome ParseSeedAndExecutions(std::span<const std::string> tokens, Method& method);
// The keyword, seed and executions as ParseSeedAndExecutions reads them back ("lhs 1 60").
std::string SeedAndExecutionsText(std::string_view keyword, const Method& method);
// The executions of a sampling method as the rows of its design.
Outcome ExecutionRows(const Method& method, int factors, Design& design, long& rows);
long ExecutionCount(const Method& method, int factors);
// The executions as the setting that sizes the sample.
long Executions(const Method& method);

} // namespace tulo::sensitivity
