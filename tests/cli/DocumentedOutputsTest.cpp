// The command line's reference names every daily series `run --daily` writes, in the order it writes
// them: a series added to the output registry without its documentation fails here.

#include "CliFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace tulo {
namespace {

class DocumentedOutputs : public test::CliTest {};

TEST_F(DocumentedOutputs, TheReferenceGivesTheDailyHeader) {
    const test::CliRun o = Run("run " + test::kDemo + " --daily -");
    ASSERT_EQ(o.status, 0) << o.err;
    const std::string header = o.out.substr(0, o.out.find('\n'));
    ASSERT_NE(header.find("DOY,DVS,"), std::string::npos) << header;
    EXPECT_NE(test::Slurp(TULO_SOURCE_DIR "/docs/command-line.md").find("`" + header + "`"),
              std::string::npos)
        << "docs/command-line.md does not give the header of `run --daily`:\n"
        << header;
}

} // namespace
} // namespace tulo
