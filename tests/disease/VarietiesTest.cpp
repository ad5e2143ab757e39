#include "disease/Varieties.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tulo {
namespace {

TEST(Varieties, TableAndDisplayList) {
    const auto varieties = BlastVarieties();
    const auto count = [&](BlastChoice choice) {
        return std::count_if(varieties.begin(), varieties.end(),
                             [choice](const BlastVariety& v) { return v.choice == choice; });
    };
    EXPECT_EQ(count(BlastChoice::MediumResistant), 50);
    EXPECT_EQ(count(BlastChoice::MediumSusceptible), 64);
    EXPECT_EQ(count(BlastChoice::Susceptible), 13);

    const auto list = BlastVarietyDisplayList();
    ASSERT_EQ(list.size(), 128u);
    EXPECT_EQ(list.back(), "other");
    // Strictly increasing byte order: sorted and without duplicates.
    EXPECT_EQ(std::adjacent_find(list.begin(), list.end() - 1, std::greater_equal<>()), list.end() - 1);
    const auto at = [&](std::string_view name) {
        return std::find(list.begin(), list.end(), name) - list.begin();
    };
    EXPECT_EQ(at("ARBORIO") + 1, at("ARBORIO PRECOCE"));
    EXPECT_LT(at("S.ANDREA"), at("SANTERNO"));
}

TEST(Varieties, ChoicesAndLookup) {
    EXPECT_EQ(BlastChoiceCaption(BlastChoice::MediumResistant), "medium/resistant");
    EXPECT_EQ(BlastChoiceCaption(BlastChoice::MediumSusceptible), "medium/susceptible");
    EXPECT_EQ(BlastChoiceCaption(BlastChoice::Susceptible), "susceptible");
    EXPECT_EQ(BlastChoiceClass(BlastChoice::MediumResistant), 3);
    EXPECT_EQ(BlastChoiceClass(BlastChoice::MediumSusceptible), 2);
    EXPECT_EQ(BlastChoiceClass(BlastChoice::Susceptible), 1);

    EXPECT_EQ(BlastChoiceOfVariety("CERVO"), BlastChoice::Susceptible);
    EXPECT_EQ(BlastChoiceOfVariety("ARBORIO PRECOCE"), BlastChoice::MediumResistant);
    EXPECT_EQ(BlastChoiceOfVariety("other"), std::nullopt);
    EXPECT_EQ(BlastChoiceOfVariety("cervo"), std::nullopt);
    EXPECT_EQ(BlastChoiceOfVariety("CERVO "), std::nullopt);
}

} // namespace
} // namespace tulo
