#pragma once
// Seasons for tests: a form filled in and simulated as the window runs it, a shipped example compiled as
// the tools run it, and the comparisons of whole runs the season tests share.

#include "engine/DailyLoop.h"
#include "engine/Outputs.h"
#include "forms/ReadInputs.h"
#include "forms/SeasonForm.h"
#include "support/ScriptedUi.h"
#include "support/TestForms.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tulo::test {

// Fills a row of one of the form's grids from its first column on.
inline void SetRow(FormModel& form, std::string_view grid, int row, const std::vector<std::string>& cells) {
    for (std::size_t c = 0; c < cells.size(); ++c) form.setCell(grid, row, static_cast<int>(c) + 1, cells[c]);
}

// The form read into a fresh run state, ready for its first day; a problem fails the test.
inline std::unique_ptr<RunState> PreparedRun(FormModel& form) {
    auto run = std::make_unique<RunState>();
    ScriptedUi ui;
    const Problems problems = ReadAllInputs(form, ui, *run);
    EXPECT_TRUE(problems.empty()) << (problems.empty() ? "" : problems.front().text);
    run->PrepareFreshRun();
    return run;
}

// The form's whole season, as the window's Run command simulates it.
inline std::unique_ptr<RunState> SimulatedRun(FormModel& form) {
    auto run = PreparedRun(form);
    SimulateDays(*run);
    return run;
}

// The form compiled as the command line compiles it; a problem fails the test.
inline std::shared_ptr<const SeasonInputs> Compiled(const FormModel& form) {
    const Compilation compiled = CompileInputs(form);
    EXPECT_TRUE(compiled.problems.empty())
        << (compiled.problems.empty() ? "" : compiled.problems.front().text);
    return compiled.inputs;
}

// A shipped example compiled.
inline std::shared_ptr<const SeasonInputs> CompiledExample(const std::string& name) {
    return Compiled(ExampleForm(name));
}

// The first day, from `from` on, whose stage reaches `dvs`; 0 when none before `final` does.
inline int FirstDayAtStage(const DailyOutputs& o, float dvs, int from, int final) {
    for (int d = from; d < final; ++d)
        if (o.DVS[d] >= dvs) return d;
    return 0;
}

// Folds every daily output of the simulated days, bit for bit, into one number: two seasons with the same
// digest wrote the same daily files.
inline std::uint64_t DailyDigest(const RunState& run, std::uint64_t digest) {
    for (int d = run.control.InitialDate; d < run.control.FinalDate; ++d)
        for (const OutputVariable& v : DailyOutputVariables()) {
            const std::uint64_t bits =
                v.value ? std::bit_cast<std::uint64_t>(v.value(run, d)) : v.text(run, d).size();
            digest = (digest ^ bits) * 0x100000001b3ull; // FNV-1a, a word at a time
        }
    return digest;
}

// The first series and day of from .. to on which two runs differ; empty when none does.
inline std::string FirstDifference(const RunState& a, const RunState& b, int from, int to) {
    for (int d = from; d <= to; ++d)
        for (const OutputVariable& v : DailyOutputVariables())
            if (v.value && v.value(a, d) != v.value(b, d))
                return std::string(v.name) + " on DOY " + std::to_string(d);
    return {};
}

} // namespace tulo::test
