#include "forms/InputRecords.h"

#include "base/Calendar.h"
#include "base/Numbers.h"
#include "engine/InputLimits.h"
#include "engine/Parameters.h"
#include "forms/InputControls.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace tulo {

namespace {

// Where a value was read: the form's field, the grid cell when it is one, and the label the user knows
// it by.
struct Where {
    std::string_view field;
    std::string label;
    int row = 0;
    int column = 0;
};

// The reader of a record: converts texts and collects a problem for each one that does not convert.
class FieldReader {
public:
    FieldReader(const FormModel& form, Problems& problems) : form_(form), problems_(problems) {}

    bool failed() const { return failed_; }

    std::optional<double> number(std::string_view text, const Where& where) {
        const auto value = ParseNumber(text);
        if (!value) fail(where, NotANumberMessage(where.label, text));
        return value;
    }

    std::optional<float> single(std::string_view text, const Where& where) {
        const auto value = number(text, where);
        if (!value) return std::nullopt;
        if (std::fabs(*value) > static_cast<double>(std::numeric_limits<float>::max())) {
            fail(where, where.label + ": " + QuoteValue(Trim(text)) + " is out of range.");
            return std::nullopt;
        }
        return static_cast<float>(*value);
    }

    std::optional<std::int32_t> whole(std::string_view text, const Where& where) {
        const auto value = number(text, where);
        if (!value) return std::nullopt;
        const auto converted = ToInt32(*value);
        if (!converted) fail(where, where.label + ": " + QuoteValue(Trim(text)) + " is out of range.");
        return converted;
    }

    // A day of year, 1 .. 365.
    std::optional<std::int32_t> day(std::string_view text, const Where& where) {
        const auto value = whole(text, where);
        if (value && (*value < 1 || *value > kLastDay)) {
            fail(where, where.label + " must be a day of year between 1 and 365 (it is " +
                            std::to_string(*value) + ").");
            return std::nullopt;
        }
        return value;
    }

    // The value when it lies within the input's limit; otherwise a problem naming the limit.
    std::optional<double> limited(std::optional<double> value, const Where& where, std::string_view field,
                                  int column = 0) {
        if (!value) return value;
        const InputLimit& limit = *FindFieldLimit(field, column);
        if (WithinLimit(limit, *value)) return value;
        fail(where, where.label + ": " + ShortestText(*value) + " " + DescribeLimit(limit) + ".");
        return std::nullopt;
    }

    void fail(const Where& where, std::string message) {
        add({std::string(where.field), where.row, where.column, std::move(message)});
    }

    void add(InputProblem problem) {
        problems_.push_back(std::move(problem));
        failed_ = true;
    }

    // The text of a mandatory box, or nothing after the box's own message when it is empty.
    const std::string* required(std::string_view control, std::string_view missingMessage) {
        const std::string& text = form_.text(control);
        if (!Trim(text).empty()) return &text;
        fail({control, {}}, std::string(missingMessage));
        return nullptr;
    }

private:
    const FormModel& form_;
    Problems& problems_;
    bool failed_ = false;
};

// The code of a list's text: its position among the parameter's choices.
std::optional<double> ListCode(const ParameterInfo& info, const std::string& text, FieldReader& reader) {
    for (std::size_t k = 0; k < info.choices.size(); ++k)
        if (text == info.choices[k]) return static_cast<double>(k);
    std::string accepted;
    for (std::size_t k = 0; k < info.choices.size(); ++k)
        accepted += (k == 0                         ? "\""
                     : k + 1 == info.choices.size() ? " or \""
                                                    : ", \"") +
                    std::string(info.choices[k]) + "\"";
    reader.fail({ControlOf(info), {}},
                std::string(info.label) + ": " + QuoteValue(text) + " is not one of " + accepted + ".");
    return std::nullopt;
}

} // namespace

void ControlReader::ControlInput(const FormModel& form, Problems& problems) {
    FieldReader reader(form, problems);
    Values v;
    std::optional<std::int32_t> initialDate, finalDate;
    if (const auto* text = reader.required(ctl::txtInitialDate, "You have not specified the Initial date"))
        initialDate = reader.whole(*text, {ctl::txtInitialDate, "Initial date (DOY)"});
    if (const auto* text = reader.required(ctl::txtFinalDate, "You have not specified the Final date"))
        finalDate = reader.whole(*text, {ctl::txtFinalDate, "Final date (DOY)"});
    if (initialDate && finalDate &&
        !(1 <= *initialDate && *initialDate < *finalDate && *finalDate <= kLastDay))
        reader.fail({ctl::txtFinalDate, {}},
                    "The simulation dates must satisfy 1 <= Initial date < Final date <= 365 (Initial date " +
                        std::to_string(*initialDate) + ", Final date " + std::to_string(*finalDate) + ").");
    v.InitialDate = initialDate.value_or(0);
    v.FinalDate = finalDate.value_or(0);

    v.optiLAItulo = form.option(ctl::OptionLAItulo);
    v.optiLAIndvi = form.option(ctl::OptionLAIndvi);
    if (v.optiLAIndvi) {
        if (const auto* text = reader.required(
                ctl::txtDOYforcingLAI, "You have to specify the DOY corresponding to the NDVI estimation"))
            v.DOYforcingLAI =
                reader.day(*text, {ctl::txtDOYforcingLAI, "DOY of the NDVI-derived LAI"}).value_or(0);
        if (const auto* text =
                reader.required(ctl::txtforcingLAI, "You have not specified the NDVI LAI estimation"))
            v.ForcingLAI =
                reader.single(*text, {ctl::txtforcingLAI, "NDVI-derived LAI (m2/m2)"}).value_or(0.0f);
    }

    v.SoilSimulation = form.check(ctl::chkSoil) == 1;
    v.BLASTsimulation = form.check(ctl::chkDiseases) == 1;
    if (form.option(ctl::optReportAlways))
        v.OptReportFile = 2;
    else if (form.option(ctl::optReportAsk))
        v.OptReportFile = 1;
    else
        v.OptReportFile = 0;
    // A hidden field that the configuration's reader and the season's commands fill with a checked year.
    v.Year = ParseSeasonYear(form.text(ctl::txtSeasonYear)).value_or(0);

    values_ = v;
    allSpecified_ = !reader.failed();
}

void CropReader::ReadCropParameters(const FormModel& form, Problems& problems) {
    FieldReader reader(form, problems);
    CropParameters c;
    // The day lengths drive only the photoperiod methods: with the temperature method their boxes stay
    // unread (an empty one is fine) and the run holds 0.
    const std::string& method = form.text(ctl::cmbIDSL);
    const bool readDayLengths = method == choice::PhotoperiodBased || method == choice::Both;
    std::vector<bool> known; // which parameters read correctly, for the checks between them
    for (const ParameterInfo& info : CropParameterRegistry()) {
        std::optional<double> value;
        const CropControl* shown = FindCropControl(info);
        if (!shown) { // a constant of the model
            SetParameter(c, info, DefaultParameterValue(info));
            known.push_back(true);
            continue;
        }
        const std::string_view control = shown->control;
        const Where where{control, std::string(info.label)};
        switch (shown->kind) {
        case ControlKind::Option:
            break;
        case ControlKind::Check:
            value = form.check(control) == 0 ? 0 : 1;
            break;
        case ControlKind::List:
            value = ListCode(info, form.text(control), reader);
            break;
        case ControlKind::Text:
            // A crop sown in the field leaves the transplanting boxes unread, as the day lengths above.
            if (info.transplanting && form.check(ctl::chkTransplanted) == 0) {
                value = DefaultParameterValue(info);
                break;
            }
            if ((info.id == "DLC" || info.id == "DLO") && !readDayLengths) {
                value = 0;
                break;
            }
            if (info.whole) {
                if (const auto whole = reader.whole(form.text(control), where)) value = *whole;
            } else if (const auto single = reader.single(form.text(control), where)) {
                value = *single;
            }
            if (value)
                if (auto problem = CheckParameterBounds(info, *value)) {
                    problem->field = FieldOfInput(problem->field);
                    reader.add(std::move(*problem));
                }
            break;
        }
        SetParameter(c, info, value.value_or(0));
        known.push_back(value.has_value());
    }
    for (InputProblem& problem : PointedAtFields(CheckParameterRelations(c, known)))
        reader.add(std::move(problem));
    values_ = c;
    allNumeric_ = !reader.failed();
}

namespace {

// Kept flooded deeper before flowering when asked to, against cold-induced sterility.
void ReadSterilityAvoidance(FieldReader& reader, const FormModel& form, ManagementParameters& m) {
    if (form.check(ctl::optWlevelIncrease) != 0) {
        m.AvoidSterility = 1;
        const Where where{ctl::txtPreFlowWaterLevel, "Water level during pre-flowering (cm)"};
        m.PreFlowWaterLevel =
            static_cast<float>(reader
                                   .limited(reader.single(form.text(ctl::txtPreFlowWaterLevel), where), where,
                                            ctl::txtPreFlowWaterLevel)
                                   .value_or(0));
    }
}

// The sowing, and the transplanting of a crop raised in a seedbed.
void ReadCropEstablishment(FieldReader& reader, const FormModel& form, ManagementParameters& m) {
    if (const auto* text = reader.required(ctl::txtSowingDate, "You have not specified the sowing date"))
        m.SowingDate = reader.day(*text, {ctl::txtSowingDate, "Sowing date (DOY)"}).value_or(0);
    m.Transplanted = form.check(ctl::chkTransplanted) != 0;
    if (m.Transplanted) {
        const Where where{ctl::txtTransplantingDate, "Transplanting date (DOY)"};
        if (const auto* text =
                reader.required(ctl::txtTransplantingDate, "You have not specified the transplanting date"))
            if (const auto day = reader.day(*text, where)) {
                m.TransplantingDate = *day;
                // The seedlings are raised in the seedbed from the sowing on.
                if (m.SowingDate > 0 && *day <= m.SowingDate)
                    reader.fail(where, "Transplanting date (DOY): day " + std::to_string(*day) +
                                           " is not after the sowing in the seedbed (day " +
                                           std::to_string(m.SowingDate) + ").");
            }
    }
}

// Flooded or not, and how the water level is simulated.
void ReadIrrigation(FieldReader& reader, const FormModel& form, ManagementParameters& m) {
    if (const auto* text = reader.required(ctl::cmbFlooded, "You have to specify the irrigation strategy")) {
        if (*text == choice::Flooded)
            m.Flooded = 1;
        else if (*text == choice::Unflooded)
            m.Flooded = 0;
        else
            reader.fail({ctl::cmbFlooded, {}}, "Irrigation strategy: " + QuoteValue(*text) +
                                                   " is not one of \"" + std::string(choice::Flooded) +
                                                   "\" and \"" + std::string(choice::Unflooded) + "\".");
    }

    const bool fixed = form.option(ctl::OptionFixWlevel);
    const bool dynamic = form.option(ctl::OptionDynamicWlevel);
    if (m.Flooded == 1) {
        if (!fixed && !dynamic) {
            reader.fail({ctl::OptionFixWlevel, {}},
                        "You have to specify how do you want to simulate the water level");
        } else if (fixed) {
            if (const auto* text =
                    reader.required(ctl::txtWaterLevel, "You have not specified the water level")) {
                const Where where{ctl::txtWaterLevel, "Water level (cm)"};
                m.WaterLevel = static_cast<float>(
                    reader.limited(reader.single(*text, where), where, ctl::txtWaterLevel).value_or(0));
            }
        } else if (const auto* text = reader.required(ctl::txtInitialWaterLevel,
                                                      "You have not specified the initial water level")) {
            const Where where{ctl::txtInitialWaterLevel, "Initial water level (cm)"};
            m.IniWaterLevel =
                reader.limited(reader.number(*text, where), where, ctl::txtInitialWaterLevel).value_or(0);
        }
    } else {
        m.WaterLevel = 0;
    }
    m.DynamicLevel = dynamic;
}

void ReadLatitude(FieldReader& reader, ManagementParameters& m) {
    if (const auto* text = reader.required(ctl::txtLatitude, "You have to specify Latitude")) {
        const Where where{ctl::txtLatitude, "Latitude (degrees)"};
        if (const auto lat = reader.limited(reader.single(*text, where), where, ctl::txtLatitude))
            m.Lat = static_cast<float>(*lat);
    }
}

// Daily water input: the used rows are those before the first row whose initial day is empty.
void ReadWaterInputs(FieldReader& reader, const FormModel& form, ManagementParameters& m) {
    const Grid& input = form.grid(ctl::sprDynWaterInput);
    const int used = input.countFilledRows(1, kWaterInputRows);
    for (int r = 1; r <= used; ++r) {
        const std::string table = "Water input table, row " + std::to_string(r);
        auto cell = [&](int col, std::string_view caption) {
            return Where{ctl::sprDynWaterInput, table + ", " + std::string(caption), r, col};
        };
        const auto first = reader.day(input.text(r, 1), cell(1, "Initial DOY"));
        const auto last = reader.day(input.text(r, 2), cell(2, "Final DOY"));
        const auto mm = reader.limited(reader.number(input.text(r, 3), cell(3, "Daily input (mm)")),
                                       cell(3, "Daily input (mm)"), ctl::sprDynWaterInput, 3);
        const auto hours = reader.limited(reader.number(input.text(r, 4), cell(4, "(h)")), cell(4, "(h)"),
                                          ctl::sprDynWaterInput, 4);
        if (!first || !last || !mm || !hours) continue;
        if (*last < *first) {
            reader.fail(cell(2, {}), table + ": the final DOY " + std::to_string(*last) +
                                         " is before the initial DOY " + std::to_string(*first) + ".");
            continue;
        }
        for (int d = *first; d <= *last; ++d) {
            m.Winputmm[d] = *mm;
            m.WinputH[d] = *hours;
        }
    }
}

// Fungicide treatments: each protects the crop for 21 days after the day it is applied.
void ReadBlastTreatments(FieldReader& reader, const FormModel& form, ManagementParameters& m) {
    const Grid& treatments = form.grid(ctl::sprBlastTreatment);
    if (treatments.rows() > kMaxTreatments)
        reader.fail({ctl::sprBlastTreatment, {}},
                    "The blast treatment table has " + std::to_string(treatments.rows()) + " rows; at most " +
                        std::to_string(kMaxTreatments) + " treatments are accepted.");
    m.NumTreatments = std::min(treatments.rows(), kMaxTreatments);
    for (int i = 1; i <= m.NumTreatments; ++i) {
        const auto day =
            reader.day(treatments.text(i, 1),
                       {ctl::sprBlastTreatment, "Blast treatment " + std::to_string(i) + ", DOY", i, 1});
        m.TreatmentDOY[i] = day.value_or(0);
        m.WindowStart[i] = m.TreatmentDOY[i];
        m.WindowEnd[i] = m.TreatmentDOY[i] + 21;
    }
}

} // namespace

void ManagementReader::ManagementInput(const FormModel& form, Problems& problems) {
    FieldReader reader(form, problems);
    ManagementParameters m;
    // In this order, which is the order of the problems listed.
    ReadSterilityAvoidance(reader, form, m);
    ReadCropEstablishment(reader, form, m);
    ReadIrrigation(reader, form, m);
    ReadLatitude(reader, m);
    ReadWaterInputs(reader, form, m);
    ReadBlastTreatments(reader, form, m);
    values_ = std::move(m);
    allSpecified_ = !reader.failed();
}

} // namespace tulo
