#include "engine/Outputs.h"

#include "base/Numbers.h"

#include <algorithm>

namespace tulo {

namespace {

#define TULO_SINGLE(NAME, UNIT, DESCRIPTION, EXPR)                                                           \
    OutputVariable {                                                                                         \
        NAME, UNIT, DESCRIPTION, OutputPrecision::Single,                                                    \
            [](const RunState& r, int d) { return static_cast<double>(EXPR); }, nullptr                      \
    }
#define TULO_DOUBLE(NAME, UNIT, DESCRIPTION, EXPR)                                                           \
    OutputVariable {                                                                                         \
        NAME, UNIT, DESCRIPTION, OutputPrecision::Double, [](const RunState& r, int d) { return (EXPR); },   \
            nullptr                                                                                          \
    }

} // namespace

const std::vector<OutputVariable>& DailyOutputVariables() {
    static const std::vector<OutputVariable> variables = {
        TULO_SINGLE("DVS", "-", "development stage (0 emergence, 1 flowering, 2 maturity)", r.out.DVS[d]),
        TULO_SINGLE("GDD", "°C d", "growing degree-days of the day", r.out.GDD[d]),
        TULO_SINGLE("GDDcum", "°C d", "growing degree-days cumulated since sowing", r.out.GDDcum[d]),
        OutputVariable{"Phase", "", "phenological phase", OutputPrecision::Text, nullptr,
                       [](const RunState& r, int d) { return PhaseName(r.out.Phase[d]); }},
        TULO_SINGLE("RUE", "g/MJ", "radiation use efficiency of the day", r.out.RUEday[d]),
        TULO_SINGLE("AGBdayRad", "g/m2/d", "potential above-ground growth of the day", r.out.AGBdayRad[d]),
        TULO_SINGLE("AGBday", "g/m2/d", "above-ground growth of the day", r.out.AGBday[d]),
        TULO_SINGLE("AGB", "g/m2", "above-ground biomass", r.out.AGB[d]),
        TULO_SINGLE("LeavesDay", "g/m2/d", "leaves growth of the day", r.out.LeavesDay[d]),
        TULO_SINGLE("StemsDay", "g/m2/d", "stems growth of the day", r.out.StemsDay[d]),
        TULO_SINGLE("PaniclesDay", "g/m2/d", "panicles growth of the day", r.out.PaniclesDay[d]),
        TULO_SINGLE("Leaves", "g/m2", "leaves biomass", r.out.Leaves[d]),
        TULO_SINGLE("Stems", "g/m2", "stems biomass", r.out.Stems[d]),
        TULO_SINGLE("Panicles", "g/m2", "panicles biomass", r.out.Panicles[d]),
        TULO_SINGLE("LAIday", "m2/m2/d", "green leaf area produced on the day", r.out.LAIday[d]),
        TULO_SINGLE("LAI", "m2/m2", "green area index", r.out.LAI[d]),
        TULO_SINGLE("SterilityDay", "-", "spikelet sterility of the day", r.out.SterilityDay[d]),
        TULO_SINGLE("SterilityCum", "-", "cumulated spikelet sterility", r.out.SterilityCum[d]),
        TULO_SINGLE("PanicleHeight", "cm", "height of the apex or panicle", r.out.PanicleHeight[d]),
        TULO_DOUBLE("WaterLevel", "cm", "floodwater depth", r.out.WaterLevel[d]),
        TULO_SINGLE("TmaxAir", "°C", "maximum air temperature", r.weather.TmaxAir[d]),
        TULO_SINGLE("TminAir", "°C", "minimum air temperature", r.weather.TminAir[d]),
        TULO_SINGLE("TmaxApex", "°C", "maximum apex temperature (floodwater when the apex is submerged)",
                    r.weather.Tmax[d]),
        TULO_SINGLE("TminApex", "°C", "minimum apex temperature (floodwater when the apex is submerged)",
                    r.weather.Tmin[d]),
        TULO_DOUBLE("ET1", "mm/d", "reference evapotranspiration", r.out.ET1[d]),
        TULO_DOUBLE("ET2", "mm/d", "crop evapotranspiration", r.out.ET2[d]),
        TULO_DOUBLE("ET3", "mm/d", "potential transpiration (crop water uptake)", r.out.ET3[d]),
        TULO_DOUBLE("ET4", "mm/d", "potential soil evaporation", r.out.ET4[d]),
        TULO_DOUBLE("RiskLevel", "-", "blast infection risk level", r.out.RiskLevel[d]),
        TULO_DOUBLE("BlastDVStoday", "-", "development stage seen by the blast model",
                    r.out.BlastDVStoday[d]),
        TULO_DOUBLE("MF1", "-", "blast modifying factor 1", r.out.MF1[d]),
        TULO_DOUBLE("MF2", "-", "blast modifying factor 2", r.out.MF2[d]),
        TULO_DOUBLE("MF3", "-", "blast modifying factor 3", r.out.MF3[d]),
        TULO_DOUBLE("MF4", "-", "blast modifying factor 4 (leaf shedding)", r.out.MF4[d]),
        TULO_DOUBLE("MF12", "-", "blast modifying factor on growth", r.out.MF12[d]),
        TULO_DOUBLE("DTempRisk", "-", "blast risk from the daily temperature", r.out.DTempRisk[d]),
        TULO_DOUBLE("MaxRhRisk", "-", "blast risk from the maximum humidity", r.out.MaxRhRisk[d]),
        TULO_DOUBLE("DltRhRisk", "-", "blast risk from the humidity range", r.out.DltRhRisk[d]),
        TULO_DOUBLE("MxTempRisk", "-", "blast risk from the maximum temperature", r.out.MxTempRisk[d]),
        TULO_DOUBLE("RainRisk", "-", "blast risk from rain", r.out.RainRisk[d]),
    };
    return variables;
}

#undef TULO_SINGLE
#undef TULO_DOUBLE

std::string FormatOutput(const OutputVariable& variable, const RunState& run, int day) {
    if (variable.precision == OutputPrecision::Text) return std::string(variable.text(run, day));
    char text[kNumberTextChars];
    return std::string(text, WriteOutputNumber(variable, run, day, text));
}

char* WriteOutputNumber(const OutputVariable& variable, const RunState& run, int day, char* out) {
    return WriteSignificant(out, variable.value(run, day),
                            variable.precision == OutputPrecision::Single ? 9 : 17);
}

const std::vector<ReportVariable>& ReportVariables() {
    static const std::vector<ReportVariable> variables = {
        {"DVS (-)", "Development stage (decimal code)", Chart::Crop, 0},
        {"AGB tot (tAGB/ha)", "Total aboveground biomass", Chart::Crop, 1},
        {"AGB panicles (tAGB/ha)", "Panicles biomass", Chart::Crop, 2},
        {"AGB leaves (tAGB/ha)", "Leaves biomass", Chart::Crop, 3},
        {"AGB stems (tAGB/ha)", "Stems biomass", Chart::Crop, 4},
        {"GAI (m2/m2)", "Green area index", Chart::Crop, 5},
        {"Sterility Index (-)", "Sterility Index", Chart::Microclimate, 5},
        {"Tmax air (°C)", "Maximum air daily temperature", Chart::Microclimate, 0},
        {"Tmin air (°C)", "Minimum air daily temperature", Chart::Microclimate, 1},
        {"Tmax apex (°C)", "Maximum apex daily temperature", Chart::Microclimate, 2},
        {"Tmin apex (°C)", "Minimum apex daily temperature", Chart::Microclimate, 3},
        {"Blast disease risk", "Blast disease risk", Chart::Microclimate, 4},
        {"Water level (cm)", "Water level", Chart::Microclimate, 6},
    };
    return variables;
}

namespace {

int ChartRows(const RunState& run) {
    return run.control.FinalDate - run.control.InitialDate;
}

} // namespace

float CropChartValue(const RunState& run, int column, int day) {
    const DailyOutputs& o = run.out;
    switch (column) {
    case 0:
        return o.DVS[day];
    case 1:
        return static_cast<float>(o.AGB[day] / 100.0);
    case 2:
        return static_cast<float>(o.Panicles[day] / 100.0);
    case 3:
        return static_cast<float>(o.Leaves[day] / 100.0);
    case 4:
        return static_cast<float>(o.Stems[day] / 100.0);
    default:
        return o.LAI[day];
    }
}

ChartMatrix FillCropChart(const RunState& run) {
    ChartMatrix m(ChartRows(run), 6);
    for (int doy = run.control.InitialDate; doy < run.control.FinalDate; ++doy)
        for (int column = 0; column < 6; ++column)
            m.at(doy - run.control.InitialDate, column) = CropChartValue(run, column, doy);
    return m;
}

ChartMatrix FillMicroclimateChart(const RunState& run) {
    ChartMatrix m(ChartRows(run), 7);
    const DailyOutputs& o = run.out;
    const WeatherSeries& w = run.weather;
    for (int doy = run.control.InitialDate; doy < run.control.FinalDate; ++doy) {
        const int row = doy - run.control.InitialDate;
        m.at(row, 0) = w.TmaxAir[doy];
        m.at(row, 1) = w.TminAir[doy];
        m.at(row, 2) = w.Tmax[doy];
        m.at(row, 3) = w.Tmin[doy];
        m.at(row, 4) = static_cast<float>(o.RiskLevel[doy]);
        m.at(row, 5) = static_cast<float>(o.SterilityDay[doy] * 100.0);
        m.at(row, 6) = static_cast<float>(o.WaterLevel[doy]);
    }
    return m;
}

DailyValueName ParseDailyValueName(std::string_view name, std::int32_t initialDate, std::int32_t finalDate) {
    DailyValueName read;
    const std::size_t at = name.find('@');
    const auto& variables = DailyOutputVariables();
    const auto found = std::find_if(variables.begin(), variables.end(), [&](const OutputVariable& v) {
        return at != std::string_view::npos && v.name == name.substr(0, at);
    });
    read.day = at == std::string_view::npos ? 0 : ParseInt32(name.substr(at + 1)).value_or(0);
    if (found == variables.end() || found->precision == OutputPrecision::Text || read.day == 0)
        read.problem = DailyValueName::Problem::NotNameAtDay;
    else if (read.day < initialDate || read.day >= finalDate)
        read.problem = DailyValueName::Problem::NotSimulatedDay;
    else
        read.variable = &*found;
    return read;
}

} // namespace tulo
