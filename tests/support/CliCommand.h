#pragma once
// Runs the tulo-cli binary as a user's shell would, for the tests of its commands.

#include "support/ScratchFolder.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace tulo::test {

struct CliRun {
    int status = -1; // the exit status; -1 when the program did not exit
    std::string out, err;
};

// `arguments` follow the program's name on a shell line (quotes as a shell reads them). Its standard
// output and error go through files of `scratch`; `from`, when given, is the folder it runs in, so that
// a command's relative paths are seen from somewhere else than the files it names.
inline CliRun RunCli(const std::filesystem::path& scratch, const std::string& arguments,
                     const std::string& from = {}) {
    const std::string command = (from.empty() ? std::string() : "cd " + from + " && ") +
                                std::string(TULO_CLI_PATH) + " " + arguments + " >" +
                                (scratch / "out").string() + " 2>" + (scratch / "err").string();
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(scratch / "out"), Slurp(scratch / "err")};
}

} // namespace tulo::test
