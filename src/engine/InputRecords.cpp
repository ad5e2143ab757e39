#include "engine/InputRecords.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace tulo {

std::string NotANumberMessage(std::string_view field, std::string_view text) {
    if (Trim(text).empty()) return std::string(field) + ": the value is missing.";
    return std::string(field) + ": \"" + std::string(text) + "\" is not a number.";
}

namespace {

// The reader of a record: converts texts and collects a message for each one that does not convert.
class FieldReader {
public:
    FieldReader(const FormModel& form, Problems& problems) : form_(form), problems_(problems) {}

    bool failed() const { return failed_; }

    std::optional<double> number(std::string_view text, std::string_view field) {
        const auto value = ParseNumber(text);
        if (!value) fail(NotANumberMessage(field, text));
        return value;
    }

    std::optional<float> single(std::string_view text, std::string_view field) {
        const auto value = number(text, field);
        if (!value) return std::nullopt;
        if (std::fabs(*value) > static_cast<double>(std::numeric_limits<float>::max())) {
            fail(std::string(field) + ": " + std::string(Trim(text)) + " is out of range.");
            return std::nullopt;
        }
        return static_cast<float>(*value);
    }

    std::optional<std::int32_t> whole(std::string_view text, std::string_view field) {
        const auto value = number(text, field);
        if (!value) return std::nullopt;
        const auto converted = ToInt32(*value);
        if (!converted) fail(std::string(field) + ": " + std::string(Trim(text)) + " is out of range.");
        return converted;
    }

    // A day of year, 1 .. 365.
    std::optional<std::int32_t> day(std::string_view text, std::string_view field) {
        const auto value = whole(text, field);
        if (value && (*value < 1 || *value > kLastDay)) {
            fail(std::string(field) + " must be a day of year between 1 and 365 (it is " +
                 std::to_string(*value) + ").");
            return std::nullopt;
        }
        return value;
    }

    // A crop or management box: the value, or 0 with a message when it does not convert.
    float singleBox(std::string_view control, std::string_view label) {
        return single(form_.text(control), label).value_or(0.0f);
    }

    void fail(std::string message) {
        problems_.push_back(std::move(message));
        failed_ = true;
    }

    // The text of a mandatory box, or nothing after the box's own message when it is empty.
    const std::string* required(std::string_view control, std::string_view missingMessage) {
        const std::string& text = form_.text(control);
        if (!Trim(text).empty()) return &text;
        fail(std::string(missingMessage));
        return nullptr;
    }

private:
    const FormModel& form_;
    Problems& problems_;
    bool failed_ = false;
};

} // namespace

void clsInputControl::ControlInput(const FormModel& form, Problems& problems) {
    FieldReader reader(form, problems);
    Values v;
    std::optional<std::int32_t> initialDate, finalDate;
    if (const auto* text = reader.required(ctl::txtInitialDate, "You have not specified the Initial date"))
        initialDate = reader.whole(*text, "Initial date (DOY)");
    if (const auto* text = reader.required(ctl::txtFinalDate, "You have not specified the Final date"))
        finalDate = reader.whole(*text, "Final date (DOY)");
    if (initialDate && finalDate &&
        !(1 <= *initialDate && *initialDate < *finalDate && *finalDate <= kLastDay))
        reader.fail("The simulation dates must satisfy 1 <= Initial date < Final date <= 365 (Initial date " +
                    std::to_string(*initialDate) + ", Final date " + std::to_string(*finalDate) + ").");
    v.InitialDate = initialDate.value_or(0);
    v.FinalDate = finalDate.value_or(0);

    v.optiLAItulo = form.option(ctl::OptionLAItulo);
    v.optiLAIndvi = form.option(ctl::OptionLAIndvi);
    if (v.optiLAIndvi) {
        if (const auto* text = reader.required(
                ctl::txtDOYforcingLAI, "You have to specify the DOY corresponding to the NDVI estimation"))
            v.DOYforcingLAI = reader.day(*text, "DOY of the NDVI-derived LAI").value_or(0);
        if (const auto* text =
                reader.required(ctl::txtforcingLAI, "You have not specified the NDVI LAI estimation"))
            v.ForcingLAI = reader.single(*text, "NDVI-derived LAI (m2/m2)").value_or(0.0f);
    }

    v.SoilSimulation = form.check(ctl::chkSoil) == 1;
    v.BLASTsimulation = form.check(ctl::chkDiseases) == 1;
    if (form.option(ctl::optReportAlways))
        v.OptReportFile = 2;
    else if (form.option(ctl::optReportAsk))
        v.OptReportFile = 1;
    else
        v.OptReportFile = 0;

    values_ = v;
    allSpecified_ = !reader.failed();
}

void clsInputCrop::ReadCropParameters(const FormModel& form, Problems& problems) {
    FieldReader reader(form, problems);
    CropParameters c;
    c.Tbase = reader.singleBox(ctl::txtTbase, "Base T before emergence (°C)");
    c.Tcutoff = reader.singleBox(ctl::txtTcutoff, "Maximum T before emergence (°C)");
    c.TSUMEM = reader.singleBox(ctl::txtTSUMEM, "GDDs to reach emergence (°C-days)");
    c.DLC = 0; // day lengths are carried by the model but not read from the window
    c.DLO = 0;
    const std::string& method = form.text(ctl::cmbIDSL);
    c.IDSL = method == choice::TemperatureBased ? 0.0f : method == choice::PhotoperiodBased ? 1.0f : 2.0f;
    c.TbaseAfterEmerg = reader.singleBox(ctl::txtTbaseAE, "Base T after emergence (°C)");
    c.TcutoffAfterEmerg = reader.singleBox(ctl::txtTcutoffAE, "Maximum T after emergence (°C)");
    c.TSUM1 = reader.singleBox(ctl::txtTSUM1, "GDDs emergence - flowering (°C-days)");
    c.TSUM2 = reader.singleBox(ctl::txtTSUM2, "GDDs flowering - maturity (°C-days)");
    c.DVSEND = reader.singleBox(ctl::txtDVSEND, "Development stage at harvest");
    c.RUE = reader.singleBox(ctl::txtRUE, "Radiation use efficiency (g/MJ)");
    c.K = reader.singleBox(ctl::txtK, "Extinction coefficient for solar radiation");
    c.Tb = reader.singleBox(ctl::txtTb, "Base T for biomass accumulation (°C)");
    c.Topt = reader.singleBox(ctl::txtTopt, "Optimum T for biomass accumulation (°C)");
    c.TmaxG = reader.singleBox(ctl::txtTmax, "Maximum T for biomass accumulation (°C)");
    c.C = 1.8f;
    c.LAIemerg = reader.singleBox(ctl::txtLAIemergence, "Leaf area index at emergence (m2/m2)");
    c.SLA0 = reader.singleBox(ctl::txtSLA0, "Specific leaf area at emergence (m2/kg)");
    c.SLA035 = reader.singleBox(ctl::txtSLA035, "Specific leaf area end tillering (m2/kg)");
    c.RipL0 = reader.singleBox(ctl::txtRipL0, "Fraction of biomass partitioned to leaves at emergence");
    c.GDDLeafLife = reader.singleBox(ctl::txtLeafDuration, "Leaf life (°C-days)");
    c.PanicleHmax = reader.singleBox(ctl::txtPanicleHeight, "Maximum panicle height (cm)");
    c.KcFullCanopy = reader.singleBox(ctl::txtKcFullCanopy, "kc full canopy");
    c.SterilityActive = form.check(ctl::chkSterilityActive) == 0 ? 0 : 1;
    c.StSen = reader.singleBox(ctl::txtStSen, "Cultivar-specific sensitivity");
    c.TempStThreshold = reader.singleBox(ctl::txtStTempThreshold, "Threshold T for spikelet sterility (°C)");
    c.SenDuration = form.text(ctl::cmbSenDuration) == choice::ManyDays ? 1 : 0;
    values_ = c;
    allNumeric_ = !reader.failed();
}

void clsInputManag::ManagementInput(const FormModel& form, Problems& problems) {
    FieldReader reader(form, problems);
    ManagementParameters m;

    if (form.check(ctl::optWlevelIncrease) != 0) {
        m.AvoidSterility = 1;
        m.PreFlowWaterLevel =
            reader.single(form.text(ctl::txtPreFlowWaterLevel), "Water level during pre-flowering (cm)")
                .value_or(0);
    }

    if (const auto* text = reader.required(ctl::txtSowingDate, "You have not specified the sowing date"))
        m.SowingDate = reader.day(*text, "Sowing date (DOY)").value_or(0);
    if (const auto* text = reader.required(ctl::cmbFlooded, "You have to specify the irrigation strategy"))
        m.Flooded = *text == choice::Flooded ? 1 : 0;

    const bool fixed = form.option(ctl::OptionFixWlevel);
    const bool dynamic = form.option(ctl::OptionDynamicWlevel);
    if (m.Flooded == 1) {
        if (!fixed && !dynamic) {
            reader.fail("You have to specify how do you want to simulate the water level");
        } else if (fixed) {
            if (const auto* text =
                    reader.required(ctl::txtWaterLevel, "You have not specified the water level"))
                m.WaterLevel = reader.single(*text, "Water level (cm)").value_or(0);
        } else if (const auto* text = reader.required(ctl::txtInitialWaterLevel,
                                                      "You have not specified the initial water level")) {
            m.IniWaterLevel = reader.number(*text, "Initial water level (cm)").value_or(0);
        }
    } else {
        m.WaterLevel = 0;
    }

    if (const auto* text = reader.required(ctl::txtLatitude, "You have to specify Latitude")) {
        if (const auto lat = reader.single(*text, "Latitude (degrees)")) {
            if (*lat < -90.0f || *lat > 90.0f)
                reader.fail("Latitude (degrees) must lie between -90 and 90 (it is " +
                            std::string(Trim(*text)) + ").");
            m.Lat = *lat;
        }
    }

    m.DynamicLevel = dynamic;

    // Daily water input: the used rows are those before the first row whose initial day is empty.
    const Grid& input = form.grid(ctl::sprDynWaterInput);
    const int used = input.countFilledRows(1, kWaterInputRows);
    for (int r = 1; r <= used; ++r) {
        const std::string where = "Water input table, row " + std::to_string(r);
        const auto first = reader.day(input.text(r, 1), where + ", Initial DOY");
        const auto last = reader.day(input.text(r, 2), where + ", Final DOY");
        const auto mm = reader.number(input.text(r, 3), where + ", Daily input (mm)");
        const auto hours = reader.number(input.text(r, 4), where + ", (h)");
        if (!first || !last || !mm || !hours) continue;
        if (*last < *first) {
            reader.fail(where + ": the final DOY " + std::to_string(*last) + " is before the initial DOY " +
                        std::to_string(*first) + ".");
            continue;
        }
        for (int d = *first; d <= *last; ++d) {
            m.Winputmm[d] = *mm;
            m.WinputH[d] = *hours;
        }
    }

    // Fungicide treatments: each protects the crop for 21 days after the day it is applied.
    const Grid& treatments = form.grid(ctl::sprBlastTreatment);
    if (treatments.rows() == 0) {
        m.NumTreatments = 0;
        m.WindowStart[1] = 500;
        m.WindowEnd[1] = 501;
    } else {
        if (treatments.rows() > kMaxTreatments)
            reader.fail("The blast treatment table has " + std::to_string(treatments.rows()) +
                        " rows; at most " + std::to_string(kMaxTreatments) + " treatments are accepted.");
        m.NumTreatments = std::min(treatments.rows(), kMaxTreatments);
        for (int i = 1; i <= m.NumTreatments; ++i) {
            const auto day =
                reader.day(treatments.text(i, 1), "Blast treatment " + std::to_string(i) + ", DOY");
            m.TreatmentDOY[i] = day.value_or(0);
            m.WindowStart[i] = m.TreatmentDOY[i];
            m.WindowEnd[i] = m.TreatmentDOY[i] + 21;
        }
    }

    values_ = std::move(m);
    allSpecified_ = !reader.failed();
}

} // namespace tulo
