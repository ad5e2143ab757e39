#pragma once
// The names of the window's controls and grids: the form holds the season's inputs under them, the
// configuration file's items and the workbooks' cells are read into them, and a problem the form finds
// points at them. Below the form the inputs are known by their ids (a crop parameter's registry id, an
// input limit's id); the form's tables map those to these names.

#include "engine/InputItems.h"

#include <string>
#include <string_view>

namespace tulo {

// Names of the main window's controls and grids.
namespace ctl {
// Control record.
inline constexpr std::string_view txtInitialDate = "txtInitialDate";
inline constexpr std::string_view txtFinalDate = "txtFinalDate";
inline constexpr std::string_view OptionLAItulo = "OptionLAItulo";
inline constexpr std::string_view OptionLAIndvi = "OptionLAIndvi";
inline constexpr std::string_view OptionLAIRecalReinit = "OptionLAIRecalReinit";
inline constexpr std::string_view OptionLAIexoDaily = "OptionLAIexoDaily";
inline constexpr std::string_view OptionLAIexoPeriodic = "OptionLAIexoPeriodic";
inline constexpr std::string_view txtDOYforcingLAI = "txtDOYforcingLAI";
inline constexpr std::string_view txtforcingLAI = "txtforcingLAI";
inline constexpr std::string_view chkSoil = "chkSoil";
inline constexpr std::string_view chkDiseases = "chkDiseases";
inline constexpr std::string_view optReportAlways = "optReportAlways";
inline constexpr std::string_view optReportAsk = "optReportAsk";
inline constexpr std::string_view optReportNever = "optReportNever";
// The season's calendar year, kept as text in a hidden field: empty when nothing tells it. The weather
// file or the dates that made the season set it; its dates are shown in its calendar.
inline constexpr std::string_view txtSeasonYear = "txtSeasonYear";
// Crop parameters.
inline constexpr std::string_view txtCropDescription = "txtCropDescription"; // free-text cultivar description
inline constexpr std::string_view txtTbase = "txtTbase";
inline constexpr std::string_view txtTcutoff = "txtTcutoff";
inline constexpr std::string_view txtTSUMEM = "txtTSUMEM";
inline constexpr std::string_view txtDLC = "txtDLC";
inline constexpr std::string_view txtDLO = "txtDLO";
inline constexpr std::string_view cmbIDSL = "cmbIDSL";
inline constexpr std::string_view txtTbaseAE = "txtTbaseAE";
inline constexpr std::string_view txtTcutoffAE = "txtTcutoffAE";
inline constexpr std::string_view txtTSUM1 = "txtTSUM1";
inline constexpr std::string_view txtTSUM2 = "txtTSUM2";
inline constexpr std::string_view txtDVSEND = "txtDVSEND";
inline constexpr std::string_view txtRUE = "txtRUE";
inline constexpr std::string_view txtK = "txtK";
inline constexpr std::string_view txtTb = "txtTb";
inline constexpr std::string_view txtTopt = "txtTopt";
inline constexpr std::string_view txtTmax = "txtTmax";
inline constexpr std::string_view txtLAIemergence = "txtLAIemergence";
inline constexpr std::string_view txtSLA0 = "txtSLA0";
inline constexpr std::string_view txtSLA035 = "txtSLA035";
inline constexpr std::string_view txtRipL0 = "txtRipL0";
inline constexpr std::string_view txtLeafDuration = "txtLeafDuration";
inline constexpr std::string_view txtPanicleHeight = "txtPanicleHeight";
inline constexpr std::string_view txtKcFullCanopy = "txtKcFullCanopy";
inline constexpr std::string_view chkSterilityActive = "chkSterilityActive";
inline constexpr std::string_view txtStSen = "txtStSen";
inline constexpr std::string_view txtStTempThreshold = "txtStTempThreshold";
inline constexpr std::string_view cmbSenDuration = "cmbSenDuration";
inline constexpr std::string_view txtNPLSB = "txtNPLSB";
inline constexpr std::string_view txtNH = "txtNH";
inline constexpr std::string_view txtNPLH = "txtNPLH";
inline constexpr std::string_view txtSHCKD = "txtSHCKD";
// Management.
inline constexpr std::string_view txtManagDescription = "txtManagDescription";
inline constexpr std::string_view txtSowingDate = "txtSowingDate";
inline constexpr std::string_view chkTransplanted = "chkTransplanted";
inline constexpr std::string_view txtTransplantingDate = "txtTransplantingDate";
inline constexpr std::string_view cmbFlooded = "cmbFlooded";
inline constexpr std::string_view txtWaterLevel = "txtWaterLevel";
inline constexpr std::string_view txtLatitude = "txtLatitude";
inline constexpr std::string_view optWlevelIncrease = "optWlevelIncrease"; // a check box despite its prefix
inline constexpr std::string_view txtPreFlowWaterLevel = "txtPreFlowWaterLevel";
inline constexpr std::string_view OptionFixWlevel = "OptionFixWlevel";
inline constexpr std::string_view OptionDynamicWlevel = "OptionDynamicWlevel";
inline constexpr std::string_view txtInitialWaterLevel = "txtInitialWaterLevel";
inline constexpr std::string_view cmbBlastProduct = "cmbBlastProduct";
// The cultivar's blast susceptibility class, kept as text in a hidden field.
inline constexpr std::string_view txtBlastClass = "txtBlastClass";
// Grids.
inline constexpr std::string_view sprWeather = "sprWeather";
inline constexpr std::string_view sprSoilPhysics = "sprSoilPhysics";
inline constexpr std::string_view sprDynWaterInput = "sprDynWaterInput";
inline constexpr std::string_view sprDynWaterOutput = "sprDynWaterOutput";
inline constexpr std::string_view sprBlastTreatment = "sprBlastTreatment";

// Name of the report tick box i (1 .. 13).
std::string chkReport(int i);
} // namespace ctl

} // namespace tulo
