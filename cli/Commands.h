#pragma once
// The commands of tulo-cli, apart from their command-line parsing so that tests can call them.

#include "engine/UserInterface.h"

#include <optional>
#include <ostream>
#include <string>

namespace tulo::cli {

// Exit statuses.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;       // unreadable or malformed file, failed write
inline constexpr int kInvalidInputs = 2; // the inputs failed validation; nothing was written

struct RunOptions {
    std::string config;
    std::optional<std::string> daily;  // CSV of every daily series
    std::optional<std::string> report; // CSV of the report grid
    int repeat = 0;                    // extra timed runs of the same season
};

int Run(const RunOptions& options, std::ostream& out, UserInterface& ui);

// The varieties of the diseases window as CSV: name, susceptibility, class; "other" last, without either.
int Varieties(std::ostream& out);

// The header line of the daily CSV.
std::string DailyCsvHeader();

} // namespace tulo::cli
