// tulo-cli: runs TULO's paddy rice simulation from a saved configuration, for batch work.

#include "AllCommands.h"
#include "CommandLine.h"

#include <iostream>

int main(int argc, char** argv) {
    using namespace tulo::cli;
    CommandLine line;
    RegisterAllCommands(line);
    return line.execute(argc, argv, std::cout, std::cerr);
}
