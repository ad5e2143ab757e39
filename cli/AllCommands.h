#pragma once
// Every command of tulo-cli, registered on one command line: the program runs them, and the manual page
// is written from the same definitions, so neither can miss a command or an option.

#include "CommandLine.h"

namespace tulo::cli {

// Registers every command in the order --help lists them.
void RegisterAllCommands(CommandLine& line);

} // namespace tulo::cli
