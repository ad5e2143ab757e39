#pragma once
// CropEvapotranspiration: the day's reference and crop evapotranspiration, from a fixed 128-byte record.
//
// Inputs (EvapotranspirationInput): day of year, Tmax and Tmin (°C), global radiation (MJ m-2 d-1),
// yesterday's green area index (m2 m-2), crop coefficient at full canopy, extinction coefficient K,
// the Priestley-Taylor coefficient (1.26) and latitude (degrees).
// Outputs (mm d-1, double): ET1 reference evapotranspiration (Priestley-Taylor), ET2 crop
// evapotranspiration, ET3 its transpiration share (the crop's potential uptake) and ET4 its evaporation
// share (potential soil evaporation). ET3 + ET4 = ET2.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace tulo {

// The record exchanged with the component; little-endian, unlisted bytes zero.
struct EvapotranspirationInput {
    std::int32_t recordKind = 1;
    std::int16_t DOY = 0;
    std::int16_t reserved0 = 0;
    double Tmax = 0.0;
    double Tmin = 0.0;
    double reserved24 = 0.0;
    double Rad = 0.0;
    double reserved40[4] = {0.0, 0.0, 0.0, 0.0};
    double LAI = 0.0;
    double KcFullCanopy = 0.0;
    double K = 0.0;
    double PriestleyTaylorAlpha = 1.26;
    double reserved104 = 0.0;
    double Lat = 0.0;
    std::int32_t reserved120 = 0;
    std::int32_t reserved124 = 0;
};

static_assert(std::endian::native == std::endian::little, "the record is exchanged little-endian");
static_assert(sizeof(EvapotranspirationInput) == 128);
static_assert(offsetof(EvapotranspirationInput, recordKind) == 0);
static_assert(offsetof(EvapotranspirationInput, DOY) == 4);
static_assert(offsetof(EvapotranspirationInput, reserved0) == 6);
static_assert(offsetof(EvapotranspirationInput, Tmax) == 8);
static_assert(offsetof(EvapotranspirationInput, Tmin) == 16);
static_assert(offsetof(EvapotranspirationInput, reserved24) == 24);
static_assert(offsetof(EvapotranspirationInput, Rad) == 32);
static_assert(offsetof(EvapotranspirationInput, reserved40) == 40);
static_assert(offsetof(EvapotranspirationInput, LAI) == 72);
static_assert(offsetof(EvapotranspirationInput, KcFullCanopy) == 80);
static_assert(offsetof(EvapotranspirationInput, K) == 88);
static_assert(offsetof(EvapotranspirationInput, PriestleyTaylorAlpha) == 96);
static_assert(offsetof(EvapotranspirationInput, reserved104) == 104);
static_assert(offsetof(EvapotranspirationInput, Lat) == 112);
static_assert(offsetof(EvapotranspirationInput, reserved120) == 120);
static_assert(offsetof(EvapotranspirationInput, reserved124) == 124);

// Extraterrestrial radiation (MJ m-2 d-1) of a day of year at a latitude (degrees); the full day under
// the midnight sun, none in the polar night.
double ExtraterrestrialRadiation(std::int32_t doy, double lat);

// Reference evapotranspiration ET1 (Priestley-Taylor, mm d-1) from the record's day, temperatures,
// global radiation and coefficient, and the day's extraterrestrial radiation (MJ m-2 d-1). It depends on
// the site and its weather alone.
double ReferenceEvapotranspiration(const EvapotranspirationInput& record, double extraterrestrialRadiation);

class CropEvapotranspiration {
public:
    void CalculateET(const EvapotranspirationInput& record);
    // The same with the day's extraterrestrial radiation already known (a season reads it from its
    // solar calendar).
    void CalculateET(const EvapotranspirationInput& record, double extraterrestrialRadiation);
    // The crop's evapotranspiration and its shares from a known reference ET1 (mm d-1) and the record's
    // green area, extinction coefficient and crop coefficient.
    void SplitReferenceET(const EvapotranspirationInput& record, double referenceEvapotranspiration);

    double GetET1() const { return ET1_; }
    double GetET2() const { return ET2_; }
    double GetET3() const { return ET3_; }
    double GetET4() const { return ET4_; }

private:
    double ET1_ = 0.0, ET2_ = 0.0, ET3_ = 0.0, ET4_ = 0.0;
};

} // namespace tulo
