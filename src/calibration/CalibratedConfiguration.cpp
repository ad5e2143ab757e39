#include "calibration/CalibratedConfiguration.h"

#include "base/Numbers.h"
#include "inputs/SeasonCompile.h"

#include <optional>
#include <utility>

namespace tulo {

namespace {

CropItem& ItemOf(SeasonConfiguration& configuration, const ParameterInfo& info) {
    return configuration.crop.at(static_cast<std::size_t>(ParameterIndex(info.id)));
}

const ParameterInfo& RegistryEntry(int index) {
    return CropParameterRegistry()[static_cast<std::size_t>(index)];
}

// The item holds what the window's field would after `text` was typed into it.
void WriteCropText(SeasonConfiguration& configuration, const ParameterInfo& info, std::string text) {
    ItemOf(configuration, info) = ReadCropItem(info, std::move(text));
}

} // namespace

std::string CropValueText(const ParameterInfo& info, const SeasonConfiguration& configuration) {
    // A check box has no text to read a number from.
    if (info.kind == ParameterKind::Switch) return {};
    return CropItemText(info, configuration.crop.at(static_cast<std::size_t>(ParameterIndex(info.id))));
}

double ConfiguredValue(const ParameterInfo& info, const SeasonConfiguration& configuration,
                       const SeasonInputs& compiled) {
    if (const auto typed = ParseNumber(CropValueText(info, configuration))) return *typed;
    return GetParameter(compiled.crop, info);
}

void WriteCalibratedValues(SeasonConfiguration& configuration, std::span<const ParameterChoice> choices,
                           std::span<const double> rounded) {
    for (std::size_t k = 0; k < choices.size() && k < rounded.size(); ++k)
        WriteCropText(configuration, *choices[k].info, CalibratedText(rounded[k]));
}

void WritePhenologyValues(SeasonConfiguration& configuration, const PhenologyFit& fit) {
    for (const ParameterValue& p : fit.parameters)
        WriteCropText(configuration, RegistryEntry(p.index), ShortestText(static_cast<float>(p.value)));
}

SeasonConfiguration WithSowing(SeasonConfiguration configuration, std::int32_t day) {
    configuration.sowingDate = ReadWholeItem(std::to_string(day));
    return configuration;
}

ReinitResult ReinitializeFromLai(const SeasonConfiguration& configuration, std::span<const LaiPoint> lai,
                                 const ReinitSettings& settings, const SearchControl& control) {
    const SowingCompiler compileSown = [&configuration](std::optional<std::int32_t> sowingDay) {
        return CompileSeason(sowingDay ? WithSowing(configuration, *sowingDay) : configuration);
    };
    return ReinitializeFromLai(compileSown, lai, settings, control);
}

void WriteReinitialization(SeasonConfiguration& configuration, const ReinitResult& result,
                           std::span<const CalibratedParameter> parameters) {
    configuration.sowingDate = ReadWholeItem(std::to_string(result.sowing));
    for (std::size_t k = 0; k < parameters.size() && k < result.rounded.size(); ++k)
        WriteCropText(configuration, RegistryEntry(parameters[k].index), CalibratedText(result.rounded[k]));
}

SeasonConfiguration SiteConfiguration(const SeasonConfiguration& base, const SiteTexts& row,
                                      const SiteWeather& weather) {
    SeasonConfiguration site = base;
    site.weatherTitles = weather.titles;
    site.weather = weather.days;
    site.year.reset();
    // As typed: a latitude keeps its decimals.
    const auto typed = [](const std::string& text) { return std::string(Trim(text)); };
    if (!typed(row.initialDate).empty()) site.initialDate = ReadWholeItem(typed(row.initialDate));
    if (!typed(row.finalDate).empty()) site.finalDate = ReadWholeItem(typed(row.finalDate));
    if (!typed(row.sowingDate).empty()) site.sowingDate = ReadWholeItem(typed(row.sowingDate));
    if (!typed(row.latitude).empty()) site.latitude = ReadSingleItem(typed(row.latitude));
    return site;
}

} // namespace tulo
