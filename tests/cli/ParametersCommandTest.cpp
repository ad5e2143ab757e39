// tulo-cli parameters: the documentation's table and the JSON list are the registry's.

#include "CliFixture.h"

#include "engine/Parameters.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

namespace tulo {
namespace {

class ParametersCommand : public test::CliTest {
protected:
    std::string Output(const std::string& arguments) {
        const test::CliRun o = Run(arguments);
        EXPECT_EQ(o.status, 0) << arguments << "\n" << o.err;
        return o.out;
    }
};

TEST_F(ParametersCommand, TheDocsShowTheRegistrysTable) {
    const std::string table = Output("parameters --markdown");
    ASSERT_NE(table.find("| RUE | Radiation use efficiency (g/MJ) |"), std::string::npos) << table;
    EXPECT_NE(test::Slurp(TULO_SOURCE_DIR "/docs/parameters.md").find(table), std::string::npos)
        << "docs/parameters.md's crop parameter table differs from `tulo-cli parameters --markdown`:\n"
        << table;
}

TEST_F(ParametersCommand, JsonListsEveryParameterWithItsBoundsAndRoles) {
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
