// tulo-cli parameters: the README's table and the JSON list are the registry's.

#include "engine/Parameters.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace tulo {
namespace {

std::string Output(const std::string& arguments) {
    const std::string command = std::string(TULO_CLI_PATH) + " " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {};
    std::string out;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << command;
    return out;
}

TEST(ParametersCommand, TheReadmeShowsTheRegistrysTable) {
    const std::string table = Output("parameters --markdown");
    ASSERT_NE(table.find("| RUE | Radiation use efficiency (g/MJ) |"), std::string::npos) << table;
    std::ifstream in(TULO_SOURCE_DIR "/README.md", std::ios::binary);
    std::stringstream readme;
    readme << in.rdbuf();
    EXPECT_NE(readme.str().find(table), std::string::npos)
        << "README.md's crop parameter table differs from `tulo-cli parameters --markdown`:\n"
        << table;
}

TEST(ParametersCommand, JsonListsEveryParameterWithItsBoundsAndRoles) {
    const auto list = nlohmann::json::parse(Output("parameters --json"));
    ASSERT_EQ(list.size(), CropParameterRegistry().size());
    const auto& rue = list.at(ParameterIndex("RUE"));
    EXPECT_EQ(rue.at("min"), 0.1);
    EXPECT_EQ(rue.at("reason").at("max"), "about twice the highest efficiency measured in C3 crops");
    EXPECT_EQ(rue.at("calibration"), "RUE");
    EXPECT_EQ(rue.at("factor"), "par1");
    const auto& kc = list.at(ParameterIndex("KcFullCanopy"));
    EXPECT_TRUE(kc.at("calibration").is_null());
    EXPECT_TRUE(kc.at("factor").is_null());
    EXPECT_EQ(kc.at("default"), "1.05");
}

} // namespace
} // namespace tulo
