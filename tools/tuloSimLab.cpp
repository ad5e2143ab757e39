// tuloSimLab: the sensitivity analysis's sampling and indices tool, started by the desktop program and the
// command line with a mode and a file.
//   tuloSimLab 1 CONFIGURATION   draws the sample the configuration asks for and writes the sample file
//                                named on its last line;
//   tuloSimLab 2 REQUEST         computes the indices of the outputs the request names and writes the
//                                index file it names (tuloSAindex.txt beside it when it names none).

#include "sensitivity/SimLab.h"

#include <exception>
#include <iostream>
#include <string_view>

int main(int argc, char** argv) {
    if (argc != 3 || (std::string_view(argv[1]) != "1" && std::string_view(argv[1]) != "2")) {
        std::cerr << "Usage: tuloSimLab 1 CONFIGURATION  (draw a sample)\n"
                     "       tuloSimLab 2 REQUEST        (compute the indices)\n";
        return 2;
    }
    try {
        const auto ran = std::string_view(argv[1]) == "1" ? tulo::sensitivity::RunSamplingMode(argv[2])
                                                          : tulo::sensitivity::RunIndicesMode(argv[2]);
        if (!ran) {
            std::cerr << "tuloSimLab: " << ran.message << "\n";
            return 1;
        }
    } catch (const std::exception& e) {
        // Out of memory, mostly: the caller gets a message and a failed exit rather than an abort.
        std::cerr << "tuloSimLab: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
