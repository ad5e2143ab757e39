#include "inputs/OpeningSeason.h"

#include "engine/Parameters.h"
#include "inputs/ConfigurationFile.h"

#include <algorithm>

namespace tulo {

namespace {

std::size_t CropIndex(const CropParameterItem& item) {
    return static_cast<std::size_t>(ParameterIndex(item.id));
}

// The table's rows up to its first whose first cell is blank.
NumberTable CutAtFirstBlankRow(const NumberTable& table, int limit) {
    int rows = 0;
    while (rows < limit && rows < table.rows() && !table.text(rows, 0).empty()) ++rows;
    if (rows == table.rows()) return table;
    NumberTable cut(rows, table.cols());
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < table.cols(); ++c) cut.setText(r, c, table.text(r, c));
    return cut;
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

SeasonConfiguration OpenedConfiguration(SeasonConfiguration configuration) {
    CompleteLayout(configuration);
    configuration.endMarked = true;
    // A check box holds a whole number, and every other crop item the text it stands for.
    for (const CropParameterItem& item : CropParameterItems()) {
        const ParameterInfo& info = *FindParameter(item.id);
        CropItem& value = configuration.crop[CropIndex(item)];
        value = info.kind == ParameterKind::Switch
                    ? CropItem{static_cast<double>(static_cast<int>(value.value.value_or(0))), {}}
                    : ReadCropItem(info, CropItemText(info, value));
    }
    configuration.waterInflow = CutAtFirstBlankRow(configuration.waterInflow, kWaterInputRows);
    configuration.waterOutflow = CutAtFirstBlankRow(configuration.waterOutflow, kWaterOutputRows);
    configuration.soil = CutAtFirstBlankRow(configuration.soil, kSoilRows);
    // The methods are one choice, which the later of the two items makes.
    if (configuration.dynamicWaterLevel) configuration.fixedWaterLevel = false;
    configuration.reportOption = std::clamp(configuration.reportOption, 0, 2);
    return configuration;
}

ReportTicks OpeningReportTicks() {
    ReportTicks ticks;
    ticks.fill(true);
    return ticks;
}

} // namespace tulo
