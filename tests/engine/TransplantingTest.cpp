#include "support/TypedSeasons.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

using test::SimulatedSeason;

SeasonInputs Transplanted(int sowing, int transplanting) {
    SeasonInputs inputs = test::TypedSeason(100, 300, sowing);
    inputs.manag.Transplanted = true;
    inputs.manag.TransplantingDate = transplanting;
    return inputs;
}

int FirstDayAtOrAbove(const DailyOutputs& o, float dvs) {
    return test::FirstDayAtStage(o, dvs, 100, 300);
}

// Sown on day 100 under 23 °C every day: 11 degree-days a day, so GDDcum[d] = 11 (d - 99) and the
// seedlings emerge on day 107 (88 >= TSUMEM 80). Moved to the field on day 125 (GDDcum 286), they spent
// 286 - 80 = 206 °C d in the seedbed since emergence, and the shock lasts 0.4 x 206 = 82.4 °C d: days 126
// to 133 start with 0, 11, ..., 77 °C d of it gone by and are lost; day 134 starts with 88 and develops.
TEST(Transplanting, TheFieldTakesItsShareOfTheSeedbedAndDevelopmentWaitsOutTheShock) {
    const auto seedbed = SimulatedSeason(test::TypedSeason(100, 300, 100));
    const auto field = SimulatedSeason(Transplanted(100, 125));
    const DailyOutputs& s = seedbed->out;
    const DailyOutputs& f = field->out;

    // In the seedbed both crops are the same crop.
    for (int d = 100; d < 125; ++d) {
        EXPECT_EQ(f.AGB[d], s.AGB[d]) << d;
        EXPECT_EQ(f.LAI[d], s.LAI[d]) << d;
        EXPECT_EQ(f.DVS[d], s.DVS[d]) << d;
    }
    // 25 hills of 3 seedlings per m2 from a bed of 1000 plants per m2: 0.075 of the seedbed's states.
    const double share = 25.0 * 3.0 / 1000.0;
    EXPECT_GT(s.AGB[125], 0);
    EXPECT_EQ(f.AGB[125], static_cast<float>(s.AGB[125] * share));
    EXPECT_EQ(f.Leaves[125], static_cast<float>(s.Leaves[125] * share));
    EXPECT_EQ(f.Stems[125], static_cast<float>(s.Stems[125] * share));
    EXPECT_EQ(f.Panicles[125], 0);
    EXPECT_EQ(f.LAI[125], static_cast<float>(s.LAI[125] * share));
    EXPECT_EQ(f.GDDcum[125], 286);

    // The shock: no degree-days reach development, so the stage and the thermal time stand still.
    const float stage = (286.0f - 80.0f) / 900.0f;
    for (int d = 126; d <= 133; ++d) {
        EXPECT_EQ(f.GDD[d], 0) << d;
        EXPECT_EQ(f.GDDcum[d], 286) << d;
        EXPECT_FLOAT_EQ(f.DVS[d], stage) << d;
    }
    EXPECT_EQ(f.GDD[134], 11);
    EXPECT_EQ(f.GDDcum[134], 297);
    EXPECT_FLOAT_EQ(f.DVS[134], stage);
    EXPECT_FLOAT_EQ(f.DVS[135], (297.0f - 80.0f) / 900.0f);
    // The planted field keeps growing through the shock, from its own leaves.
    EXPECT_GT(f.AGB[133], f.AGB[125]);

    // Eight days lost: flowering and maturity come eight days after the direct-sown crop's.
    EXPECT_EQ(FirstDayAtOrAbove(f, 1.0f), FirstDayAtOrAbove(s, 1.0f) + 8);
    EXPECT_EQ(FirstDayAtOrAbove(f, 2.0f), FirstDayAtOrAbove(s, 2.0f) + 8);
    // The seedbed's leaves are shed in the field's share: the canopy never goes below nothing.
    for (int d = 125; d < 300; ++d) EXPECT_GE(f.LAI[d], 0) << d;
}

// The organs are built from yesterday's growth, so on every day they hold the biomass of the day before;
// the day after transplanting splits the seedbed's last growth, which the field holds in its share as it
// holds the rest. One seedling per hill, where the seedbed's day weighs most against the field's crop.
TEST(Transplanting, TheFieldsOrgansAddUpToItsBiomassAndItsFirstDaysFollowItsDensity) {
    const auto field = [](float hills) {
        SeasonInputs inputs = Transplanted(100, 125);
        inputs.crop.NPLH = 1;
        inputs.crop.NH = hills;
        return SimulatedSeason(inputs);
    };
    const auto sparse = field(25), dense = field(75);
    for (const auto* run : {sparse.get(), dense.get()}) {
        const DailyOutputs& o = run->out;
        const int end = FirstDayAtOrAbove(o, run->crop.DVSEND);
        ASSERT_GT(end, 200);
        // The day before transplanting is the seedbed's, per m2 of seedbed.
        const double share = run->crop.NH / 1000.0;
        for (int d = 101; d < end; ++d) {
            const double organs = static_cast<double>(o.Leaves[d]) + o.Stems[d] + o.Panicles[d];
            const double before = (d == 125 ? share : 1.0) * o.AGB[d - 1];
            EXPECT_NEAR(organs, before, 1e-4 * before + 1e-6) << "NH " << run->crop.NH << ", " << d;
        }
    }
    // Three times the hills: three times the crop and its canopy on the first field day, whose green area
    // is the transplanted one and the seedbed's last leaves.
    const DailyOutputs &s = sparse->out, &t = dense->out;
    for (const int d : {125, 126}) {
        EXPECT_NEAR(t.LAI[d] / s.LAI[d], 3.0, 1e-5) << d;
        EXPECT_NEAR(t.Leaves[d] / s.Leaves[d], 3.0, 1e-5) << d;
        EXPECT_NEAR(t.Stems[d] / s.Stems[d], 3.0, 1e-5) << d;
    }
    EXPECT_NEAR(t.LAIday[126] / s.LAIday[126], 3.0, 1e-5);
    // The field's own growth saturates with its canopy, but not within its first days.
    for (int d = 126; d <= 130; ++d) EXPECT_NEAR(t.AGB[d] / s.AGB[d], 3.0, 0.05) << d;
}

TEST(Transplanting, TheParametersChangeTheShareAndTheShock) {
    SeasonInputs inputs = Transplanted(100, 125);
    inputs.crop.NPLSB = 500;
    inputs.crop.NH = 20;
    inputs.crop.NPLH = 5;
    inputs.crop.SHCKD = 0;
    const auto seedbed = SimulatedSeason(test::TypedSeason(100, 300, 100));
    const auto field = SimulatedSeason(inputs);
    EXPECT_EQ(field->out.AGB[125], static_cast<float>(seedbed->out.AGB[125] * (20.0 * 5.0 / 500.0)));
    // No shock: development goes on the next day.
    EXPECT_EQ(field->out.GDD[126], 11);
    EXPECT_EQ(FirstDayAtOrAbove(field->out, 1.0f), FirstDayAtOrAbove(seedbed->out, 1.0f));
}

} // namespace
} // namespace tulo
