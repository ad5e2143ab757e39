#include "engine/Parameters.h"

#include "commands/CropWorkbook.h"
#include "forms/FittingCombinations.h"
#include "forms/FormModel.h"
#include "forms/InputControls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

namespace tulo {
namespace {

// The registry's entries that have `key` set, ordered by it, as the tuples `view` makes of them.
template <typename Key, typename View> auto Collect(Key key, View view) {
    std::vector<const ParameterInfo*> kept;
    for (const ParameterInfo& p : CropParameterRegistry())
        if (p.*key != 0) kept.push_back(&p);
    std::stable_sort(kept.begin(), kept.end(),
                     [&](const ParameterInfo* a, const ParameterInfo* b) { return a->*key < b->*key; });
    std::vector<decltype(view(*kept.front()))> out;
    for (const ParameterInfo* p : kept) out.push_back(view(*p));
    return out;
}

// Each entry is found by its id at its own place, and the window opens with its default, which a run
// accepts.
TEST(Parameters, EveryEntryIsFoundByItsIdAndTheFormOpensWithItsDefault) {
    int index = 0;
    const FormModel form;
    for (const ParameterInfo& p : CropParameterRegistry()) {
        EXPECT_EQ(ParameterIndex(p.id), index++);
        EXPECT_EQ(FindParameter(p.id), &p);
        EXPECT_NE(p.single == nullptr, p.integer == nullptr) << p.id; // exactly one run-state member
        const std::string_view control = ControlOf(p);
        switch (p.kind) {
        case ParameterKind::Number:
            EXPECT_EQ(form.text(control), p.defaultText) << p.id;
            break;
        case ParameterKind::Code:
            EXPECT_EQ(form.text(control), p.defaultText) << p.id;
            EXPECT_EQ(form.listItems(control).size(), p.choices.size()) << p.id;
            break;
        case ParameterKind::Switch:
            EXPECT_EQ(std::to_string(form.check(control)), p.defaultText) << p.id;
            break;
        case ParameterKind::Constant:
            EXPECT_TRUE(control.empty()) << p.id;
            break;
        }
        // Every default a run can read lies within the bounds.
        if (p.kind == ParameterKind::Number && !p.defaultText.empty()) {
            EXPECT_FALSE(CheckParameterBounds(p, std::stod(std::string(p.defaultText)))) << p.id;
        }
    }
    EXPECT_EQ(index, 32);
    EXPECT_EQ(FindParameter("Tmax"), nullptr);
    EXPECT_EQ(ParameterIndex("Tmax"), -1);

    // Codes index the choices; the window shows the sensitive periods the other way round.
    EXPECT_EQ(FindParameter("IDSL")->choices[2], choice::Both);
    EXPECT_EQ(FindParameter("SenDuration")->choices[0], choice::RestrictedPeriod);
    EXPECT_EQ(
        form.listItems(ctl::cmbSenDuration),
        (std::vector<std::string>{std::string(choice::ManyDays), std::string(choice::RestrictedPeriod)}));
}

TEST(Parameters, FilesAndWindowsThatListParametersTakeThemInTheirOwnOrder) {
    std::string workbook;
    for (const WorkbookParameterRow& row : WorkbookParameterRows())
        workbook +=
            std::to_string(row.row) + " " + std::string(row.key) + " " + std::string(row.label) + "; ";
    EXPECT_EQ(workbook,
              "2 TBASEM T base (development); 3 TEFFMX T cutoff (development); 4 TSUMEM GDDemergence; 5 "
              "DLC ; 6 DLO ; 7 IDLS 0: temp; 1: daylenght; 2: temp+daylenght; 8  T base after emergence "
              "(development); 9  T cutoff after emergence (development); 10 TSUM1 GDD emerg-flowering; 11 "
              "TSUM2 GDD flowering-maturity; 13 DVSEND Development stage at harvest; 15 RUE Radiation use "
              "efficiency; 16 k Extinction coefficient for solar radiation; 17 Tb T base (growth); 18 Topt "
              "T opt (growth); 19 Tmax T max (growth); 21 LAIemerg LAI at emergence; 22 SLA0 SLA at "
              "emergence; 23 SLA035 SLA from stem elongation to maturity; 24 RipL0 Ripartition to leaves "
              "at emergence; 25 GDDLeafLife Leaf duration; 26 PanicleHmax Maximum panicle height; 27 "
              "KcFullCanopy Crop coefficient at full canopy; 29 SterilityActive Activate Sterility module; "
              "30 StSen Cultivars-specific sensitivities; 31 TempStThreshold Threshold T for sterility; 32 "
              "SenDuration Duration of the high sensitive period; ");

    std::string combination;
    for (const std::string_view id : CombinationParameterIds())
        combination += std::string(ControlOf(*FindParameter(id))) + " ";
    EXPECT_EQ(combination,
              "txtTbase txtTcutoff txtTSUMEM txtDLC txtDLO cmbIDSL txtTbaseAE txtTcutoffAE txtTSUM1 "
              "txtTSUM2 txtDVSEND txtRUE txtK txtTb txtTopt txtTmax txtLAIemergence txtSLA0 txtSLA035 "
              "txtRipL0 txtLeafDuration txtPanicleHeight chkSterilityActive txtStSen "
              "txtStTempThreshold cmbSenDuration ");
}

TEST(Parameters, ValuesAreStoredAsTheRunHoldsThemAndRefusedOutsideTheirBounds) {
    struct Case {
        std::string_view id;
        double value;
        double held;              // what GetParameter returns after SetParameter
        std::string_view problem; // empty when accepted
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {"RUE", 2.3, static_cast<double>(2.3f), ""},
        {"RUE", 0.1, static_cast<double>(0.1f),
         ""}, // a bound typed as such is accepted although its single is below it
        {"RUE", 12, 12,
         "Radiation use efficiency (g/MJ): 12 is outside the accepted range 0.1 to 6 (about twice the "
         "highest "
         "efficiency measured in C3 crops)."},
        {"SenDuration", 0.5, 0,
         "Duration of the critical period: 0.5 is not a code; the accepted codes are the whole numbers 0 "
         "to 1 (code 0 is the restricted period; code 1 is many days)."},
        {"SenDuration", 1.5, 2,
         "Duration of the critical period: 1.5 is outside the accepted range 0 to 1 (code 1 "
         "is many days)."},
        {"SterilityActive", -1, -1,
         "Activate spikelet sterility simulation: -1 is outside the accepted range 0 to 1 "
         "(0 is a clear box)."},
        {"Tb", nan, nan,
         "Base T for biomass accumulation (°C): nan is not a finite number; the accepted range is 0 "
         "to 25."},
    };
    for (const Case& c : cases) {
        const ParameterInfo& info = *FindParameter(c.id);
        CropParameters crop;
        SetParameter(crop, info, c.value);
        const double held = GetParameter(crop, info);
        EXPECT_TRUE(std::isnan(c.held) ? std::isnan(held) : held == c.held) << c.id << " " << c.value;
        const auto problem = CheckParameterBounds(info, c.value);
        EXPECT_EQ(problem ? problem->text : "", c.problem);
        EXPECT_EQ(problem ? problem->field : info.id, info.id); // a form points it at its control
    }
    EXPECT_EQ(CheckParameterBounds(*FindParameter("C"), 0)->field, "C");
    EXPECT_TRUE(CheckParameterBounds(*FindParameter("TSUM2"), 1e300)); // beyond any single
}

} // namespace
} // namespace tulo
