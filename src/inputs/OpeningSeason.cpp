#include "inputs/OpeningSeason.h"

#include "engine/Parameters.h"
#include "inputs/ConfigurationFile.h"

#include <algorithm>

namespace tulo {

namespace {

std::size_t CropIndex(const CropParameterItem& item) {
    return static_cast<std::size_t>(ParameterIndex(item.id));
}

// The rows down to the first whose first cell is blank, at most `limit`.
NumberTable RowsToFirstBlank(const NumberTable& table, int limit) {
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

void NormaliseAsOpened(SeasonConfiguration& configuration) {
    CompleteLayout(configuration);
    configuration.waterInflow = RowsToFirstBlank(configuration.waterInflow, kWaterInputRows);
    configuration.waterOutflow = RowsToFirstBlank(configuration.waterOutflow, kWaterOutputRows);
    configuration.soil = RowsToFirstBlank(configuration.soil, kSoilRows);
    if (configuration.dynamicWaterLevel) configuration.fixedWaterLevel = false;
    configuration.reportOption = std::clamp(configuration.reportOption, 0, 2);
    configuration.endMarked = true;
}

ReportTicks OpeningReportTicks() {
    ReportTicks ticks;
    ticks.fill(true);
    return ticks;
}

} // namespace tulo
