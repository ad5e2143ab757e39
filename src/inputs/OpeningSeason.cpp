#include "inputs/OpeningSeason.h"

#include "engine/Parameters.h"
#include "inputs/ConfigurationFile.h"

namespace tulo {

namespace {

std::size_t CropIndex(const CropParameterItem& item) {
    return static_cast<std::size_t>(ParameterIndex(item.id));
}

} // namespace

SeasonConfiguration OpeningConfiguration() {
    SeasonConfiguration opening;
    for (const CropParameterItem& item : CropParameterItems()) {
        const ParameterInfo& info = *FindParameter(item.id);
        const std::string text(info.defaultText);
        opening.crop[CropIndex(item)] = info.kind == ParameterKind::Switch
                                            ? CropItem{text == "1" ? 1.0 : 0.0, {}}
                                            : ReadCropItem(info, text);
    }
    opening.flooding = std::string(choice::Unflooded);
    opening.blastClass = ReadWholeItem("1");
    opening.blastProduct = std::string(choice::NoTreatment);
    opening.preFloweringWaterLevel = ReadSingleItem("15");
    return opening;
}

void CompleteLayout(SeasonConfiguration& configuration) {
    if (configuration.layout == ConfigurationLayout::Complete) return;
    const SeasonConfiguration opening = OpeningConfiguration();
    if (configuration.layout == ConfigurationLayout::ThroughSoil) {
        configuration.diseaseSimulation = opening.diseaseSimulation;
        configuration.blastClass = opening.blastClass;
        configuration.blastProduct = opening.blastProduct;
        configuration.raiseWaterAgainstColdShock = opening.raiseWaterAgainstColdShock;
        configuration.preFloweringWaterLevel = opening.preFloweringWaterLevel;
    }
    configuration.transplanted = opening.transplanted;
    configuration.transplantingDate = opening.transplantingDate;
    for (const CropParameterItem& item : CropParameterItems())
        if (item.item >= kFirstTransplantingItem)
            configuration.crop[CropIndex(item)] = opening.crop[CropIndex(item)];
    configuration.layout = ConfigurationLayout::Complete;
}

ReportTicks OpeningReportTicks() {
    ReportTicks ticks;
    ticks.fill(true);
    return ticks;
}

} // namespace tulo
