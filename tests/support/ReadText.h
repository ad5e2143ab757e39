#pragma once
// A file a test expects to be there, read whole: a failed read fails the test and gives "".

#include "io/TextFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

namespace tulo::test {

inline std::string ReadExpectedFile(const std::filesystem::path& file) {
    auto text = ReadWholeFile(file, kMaxTextFileBytes);
    EXPECT_TRUE(text) << file << ": " << text.message();
    return text ? std::move(text).value() : std::string();
}

} // namespace tulo::test
