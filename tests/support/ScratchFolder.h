#pragma once
// A fixture whose tests each get an empty folder of their own, removed afterwards, with the small file
// helpers the file tests share.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace tulo::test {

class ScratchFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // The process id keeps parallel test runs of one binary apart.
        dir_ =
            std::filesystem::temp_directory_path() / ("tulo-" + std::string(info->test_suite_name()) + "-" +
                                                      std::to_string(::getpid()) + "-" + info->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // A file of the folder with this content, byte for byte.
    std::filesystem::path Write(const std::string& name, const std::string& content) const {
        std::ofstream(dir_ / name, std::ios::binary) << content;
        return dir_ / name;
    }

    std::filesystem::path dir_;
};

// A file's whole content; empty when it cannot be read.
inline std::string Slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

} // namespace tulo::test
