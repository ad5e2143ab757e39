#pragma once
// Blast susceptibility of the cultivar: the three choices of the diseases window, the class each stores for
// the blast model (a higher class resists more), and the named rice varieties that pre-select a choice.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tulo {

// Values are the choices' positions in the window.
enum class BlastChoice : std::uint8_t { MediumResistant = 0, MediumSusceptible = 1, Susceptible = 2 };

struct BlastVariety {
    std::string_view name;
    BlastChoice choice;
};

// "medium/resistant", "medium/susceptible", "susceptible".
std::string_view BlastChoiceCaption(BlastChoice choice);
// 3, 2 and 1 respectively.
std::int32_t BlastChoiceClass(BlastChoice choice);

// The 127 named varieties in byte order of their names.
std::span<const BlastVariety> BlastVarieties();
// The names as the variety list shows them, followed by "other".
std::vector<std::string_view> BlastVarietyDisplayList();
// The choice of a variety named exactly so; none for "other" or an unknown text, which keep the current
// choice.
std::optional<BlastChoice> BlastChoiceOfVariety(std::string_view text);

} // namespace tulo
