#include "crop/Development.h"

#include <gtest/gtest.h>

namespace tulo {
namespace {

// Default cultivar: TSUMEM 80, TSUM1 900, TSUM2 500; base 12 and cut-off 42 before and after emergence.
// The photoperiod codes see a short-day response: full speed up to 12 h, none from 15 h.
void Day(CropDevelopment& dev, float gddCum, float tmax, float tmin, float idsl = 0.0f, bool sown = true,
         float dayLength = 14.0f, float dlc = 15.0f, float dlo = 12.0f) {
    const ThermalParameters thermal{.TSUMEM = 80.0f,
                                    .TSUM1 = 900.0f,
                                    .TSUM2 = 500.0f,
                                    .Tbase = 12.0f,
                                    .Tcutoff = 42.0f,
                                    .TbaseAfterEmerg = 12.0f,
                                    .TcutoffAfterEmerg = 42.0f,
                                    .IDSL = idsl,
                                    .DLC = dlc,
                                    .DLO = dlo};
    dev.AdvanceDay(thermal,
                   {.GDDcum = gddCum, .Tmax = tmax, .Tmin = tmin, .dayLength = dayLength, .Sown = sown});
}

TEST(Development, DegreeDaysBeforeEmergenceLeaveDvsAlone) {
    CropDevelopment dev;
    EXPECT_EQ(PhaseName(dev.GetPhenophase()), "");
    Day(dev, 10.0f, 30.0f, 20.0f);
    EXPECT_FLOAT_EQ(dev.GetGDDday(), 13.0f);
    EXPECT_EQ(dev.GetDVSday(), 0.0f);
    EXPECT_EQ(PhaseName(dev.GetPhenophase()), "pre emergence");
    Day(dev, 10.0f, 50.0f, 40.0f); // above the cut-off
    EXPECT_FLOAT_EQ(dev.GetGDDday(), 30.0f);
    Day(dev, 10.0f, 14.0f, 10.0f); // mean exactly at the base
    EXPECT_EQ(dev.GetGDDday(), 0.0f);

    Day(dev, 530.0f, 30.0f, 20.0f);
    ASSERT_FLOAT_EQ(dev.GetDVSday(), 0.5f);
    Day(dev, 79.0f, 30.0f, 20.0f); // an earlier DVS survives a pre-emergence day
    EXPECT_FLOAT_EQ(dev.GetDVSday(), 0.5f);
}

TEST(Development, StagesAndPhasesAcrossTheSeason) {
    CropDevelopment dev;
    Day(dev, 80.0f, 30.0f, 20.0f); // emergence day itself
    EXPECT_EQ(dev.GetDVSday(), 0.0f);
    EXPECT_FLOAT_EQ(dev.GetGDDday(), 13.0f);
    EXPECT_EQ(PhaseName(dev.GetPhenophase()), "vegetative phase");
    Day(dev, 530.0f, 30.0f, 20.0f);
    EXPECT_FLOAT_EQ(dev.GetDVSday(), 0.5f);
    Day(dev, 980.0f, 30.0f, 20.0f); // flowering: reproductive formula, vegetative name
    EXPECT_FLOAT_EQ(dev.GetDVSday(), 1.0f);
    EXPECT_EQ(PhaseName(dev.GetPhenophase()), "vegetative phase");
    Day(dev, 1230.0f, 50.0f, 40.0f);
    EXPECT_FLOAT_EQ(dev.GetDVSday(), 1.5f);
    EXPECT_FLOAT_EQ(dev.GetGDDday(), 30.0f);
    EXPECT_EQ(PhaseName(dev.GetPhenophase()), "reproductive phase");
    Day(dev, 1480.0f, 30.0f, 20.0f);
    EXPECT_EQ(PhaseName(dev.GetPhenophase()), "maturity");
    Day(dev, 1580.0f, 10.0f, 8.0f); // cold: no degree-days, yet DVS is recomputed and not capped
    EXPECT_FLOAT_EQ(dev.GetDVSday(), 2.2f);
    EXPECT_EQ(dev.GetGDDday(), 0.0f);
}

TEST(Development, PhotoperiodCodesAndUnsownField) {
    CropDevelopment dev;
    // Before flowering the degree-days are scaled by the day length; the stage keeps its formula.
    for (const float code : {1.0f, 2.0f}) {
        Day(dev, 530.0f, 30.0f, 20.0f, code, true, 13.5f); // half-way between 12 and 15 h
        EXPECT_FLOAT_EQ(dev.GetGDDday(), 6.5f);
        EXPECT_FLOAT_EQ(dev.GetDVSday(), 0.5f);
        Day(dev, 530.0f, 30.0f, 20.0f, code, true, 11.0f);
        EXPECT_FLOAT_EQ(dev.GetGDDday(), 13.0f);
        Day(dev, 530.0f, 30.0f, 20.0f, code, true, 16.0f);
        EXPECT_EQ(dev.GetGDDday(), 0.0f);
        Day(dev, 530.0f, 30.0f, 20.0f, code, true, 13.5f, 12.0f, 15.0f); // a long-day crop
        EXPECT_FLOAT_EQ(dev.GetGDDday(), 6.5f);
        Day(dev, 530.0f, 30.0f, 20.0f, code, true, 16.0f, 12.0f, 15.0f);
        EXPECT_FLOAT_EQ(dev.GetGDDday(), 13.0f);
        Day(dev, 530.0f, 30.0f, 20.0f, code, true, 12.0f, 12.0f, 12.0f); // no ramp: no response
        EXPECT_FLOAT_EQ(dev.GetGDDday(), 13.0f);
        Day(dev, 10.0f, 30.0f, 20.0f, code, true, 16.0f); // emergence and ...
        EXPECT_FLOAT_EQ(dev.GetGDDday(), 13.0f);
        Day(dev, 1230.0f, 50.0f, 40.0f, code, true, 16.0f); // ... ripening follow temperature alone
        EXPECT_FLOAT_EQ(dev.GetDVSday(), 1.5f);
        EXPECT_FLOAT_EQ(dev.GetGDDday(), 30.0f);
    }
    Day(dev, 530.0f, 30.0f, 20.0f, 0.0f, true, 16.0f); // the temperature method ignores the day
    EXPECT_FLOAT_EQ(dev.GetGDDday(), 13.0f);

    Day(dev, 0.0f, 30.0f, 20.0f, 0.0f, false);
    EXPECT_EQ(dev.GetGDDday(), 0.0f);
    EXPECT_EQ(dev.GetDVSday(), 0.0f);
    EXPECT_EQ(PhaseName(dev.GetPhenophase()), "bare soil");
    Day(dev, 1230.0f, 30.0f, 20.0f, 0.0f, false); // the name follows GDDcum even when nothing is sown
    EXPECT_EQ(dev.GetDVSday(), 0.0f);
    EXPECT_EQ(PhaseName(dev.GetPhenophase()), "reproductive phase");
}

} // namespace
} // namespace tulo
