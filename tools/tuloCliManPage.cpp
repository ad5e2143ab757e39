// Writes the manual page of tulo-cli from its command line's definitions and a frame page; the build
// runs it, so the installed page lists every command and option the program has.
//   tuloCliManPage FRAME OUT

#include "AllCommands.h"
#include "CommandLine.h"
#include "ManPage.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: tuloCliManPage FRAME OUT\n";
        return 1;
    }
    std::ifstream frame(argv[1]);
    if (!frame) {
        std::cerr << "tuloCliManPage: cannot read " << argv[1] << '\n';
        return 1;
    }
    tulo::cli::CommandLine line;
    tulo::cli::RegisterAllCommands(line);
    std::ofstream out(argv[2], std::ios::binary);
    tulo::cli::WriteManPage(line.app(), frame, out);
    out.close();
    if (!out) {
        std::cerr << "tuloCliManPage: cannot write " << argv[2] << '\n';
        return 1;
    }
    return 0;
}
