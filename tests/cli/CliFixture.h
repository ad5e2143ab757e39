#pragma once
// What the tests of tulo-cli's commands share: a scratch folder to run the program in, the examples, and
// the daily series the program prints.

#include "support/CliCommand.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tulo::test {

inline const std::string kExamples = TULO_SOURCE_DIR "/examples/";
inline const std::string kDemo = kExamples + "demo.sim";

// A command's output, one string a line.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class CliTest : public ScratchFolderTest {
protected:
    // `from`, when given, is the folder the program runs in: "/" shows that a table's files are found
    // beside it, wherever the program runs.
    CliRun Run(const std::string& arguments, const std::string& from = {}) {
        return RunCli(dir_, arguments, from);
    }

    // Runs a command that must end with `status`, its standard error holding `message`.
    CliRun RunExpecting(const std::string& arguments, int status, const std::string& message) {
        const CliRun o = Run(arguments);
        EXPECT_EQ(o.status, status) << arguments << "\n" << o.err;
        EXPECT_NE(o.err.find(message), std::string::npos) << arguments << "\n" << o.err;
        return o;
    }

    // The daily series of `run ARGUMENTS --daily -`, one row of cells a day (DOY in column 0, AGB in 8,
    // LAI in 16); none, after a failure, when the season does not run.
    std::vector<std::vector<std::string>> DailyRows(const std::string& arguments) {
        const CliRun o = Run("run " + arguments + " --daily -");
        EXPECT_EQ(o.status, 0) << o.err;
        std::vector<std::vector<std::string>> rows;
        std::istringstream lines(o.out);
        std::string line;
        std::getline(lines, line); // the titles
        while (std::getline(lines, line)) {
            std::vector<std::string>& cells = rows.emplace_back();
            std::istringstream row(line);
            for (std::string cell; std::getline(row, cell, ',');) cells.push_back(cell);
        }
        return rows;
    }
};

// A command's test that reads its exit status and looks at what it printed afterwards.
class RecordedCliTest : public CliTest {
protected:
    // The exit status; standard output in out_, standard error in err_.
    int Run(const std::string& arguments) {
        const CliRun outcome = CliTest::Run(arguments);
        out_ = outcome.out;
        err_ = outcome.err;
        return outcome.status;
    }
    std::string out_, err_;
};

} // namespace tulo::test
