#pragma once
// The manual page of tulo-cli, written from the command line's own definitions: every command, its
// arguments and options with their help texts. The prose around them (description, exit status, files,
// examples) comes from a frame page whose lines "@SYNOPSIS@" and "@COMMANDS@" are replaced.

#include <CLI/CLI.hpp>

#include <istream>
#include <ostream>

namespace tulo::cli {

// Copies `frame` to `out`, the line @SYNOPSIS@ replaced by a synopsis line per command of `app` and the
// line @COMMANDS@ by a section per command listing its arguments and options. An option group that
// several commands share is listed once, in a section of its own that those commands name.
void WriteManPage(const CLI::App& app, std::istream& frame, std::ostream& out);

} // namespace tulo::cli
