#pragma once
// Seasons for tests: a form filled in and simulated as the window runs it, and a shipped example compiled
// as the tools run it.

#include "engine/DailyLoop.h"
#include "engine/Outputs.h"
#include "forms/ReadInputs.h"
#include "forms/SeasonForm.h"
#include "support/TestForms.h"
#include "support/TypedSeasons.h"

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
    const Problems problems = ReadAllInputs(form, *run);
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

} // namespace tulo::test
