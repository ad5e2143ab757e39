#pragma once
// Partitioning of the day's growth, new green leaf area, and leaf senescence.
//
// LeafAreaAndPartitioning:
// | input        | unit      | where                                                             |
// |--------------|-----------|-------------------------------------------------------------------|
// | SLA0, SLA035 | m2 kg-1   | LeafParameters: specific leaf area at emergence and from DVS 0.35 |
// | RipL0        | -         | LeafParameters: leaves' share of growth at emergence              |
// | growth       | g m-2 d-1 | PartitioningDay: the growth to split                              |
// | DVS          | -         | PartitioningDay: development stage                                |
// | SterilityCum | fraction  | PartitioningDay: cumulated spikelet sterility                     |
//
// | output                         | unit      |
// |--------------------------------|-----------|
// | leaves, stems, panicles growth | g m-2 d-1 |
// | new green area (LAIday)        | m2 m-2    |
// Stems take whatever leaves and panicles do not, with no clamping.
//
// LeafSenescence:
// | input       | unit   | meaning                                         |
// |-------------|--------|-------------------------------------------------|
// | GDDcum      | °C d   | the run's cumulated degree-days, by season day  |
// | LAIday      | m2 m-2 | the run's new green area, by season day         |
// | GDDLeafLife | °C d   | leaf life                                       |
// | ToDay       | -      | day of the season (1 .. lastDay)                |
// | lastDay     | -      | the last slot the search reaches (365 or more)  |
// Output: the green area shed on the day (m2 m-2) and the day it grew on.
// One object serves one run: it carries its search from one day to the next, which holds as long as
// between two calls on consecutive days GDDcum changes in the earlier day's slot only, as the daily loop
// writes it. Any other call starts the search afresh.

#include "base/DailySeries.h"

#include <cstdint>

namespace tulo {

// The cultivar's leaves, fixed for a run.
struct LeafParameters {
    float SLA0 = 0.0f;   // specific leaf area at emergence (m2 kg-1)
    float SLA035 = 0.0f; // specific leaf area from DVS 0.35 on (m2 kg-1)
    float RipL0 = 0.0f;  // share of growth going to the leaves at emergence (-)
};

// What the day brings to partitioning.
struct PartitioningDay {
    float growth = 0.0f;       // above-ground growth to split (g m-2 d-1)
    float DVS = 0.0f;          // development stage (-)
    float SterilityCum = 0.0f; // cumulated spikelet sterility (fraction)
};

class LeafAreaAndPartitioning {
public:
    // Splits the growth among the organs, then turns the leaves' share into green area.
    void SplitGrowth(const LeafParameters& leaf, const PartitioningDay& day);

    // Specific leaf area in m2 g-1.
    static float SpecificLeafArea(float SLA0, float SLA035, float DVS);
    // Fractions of growth going to leaves and to panicles.
    static float LeafShare(float RipL0, float DVS);
    static float PanicleShare(float DVS);

    float GetLAIday() const { return LAIday_; }
    float GetLeavesAGBday() const { return leaves_; }
    float GetStemsAGBday() const { return stems_; }
    float GetPaniclesAGBday() const { return panicles_; }

private:
    float LAIday_ = 0.0f;
    float leaves_ = 0.0f;
    float stems_ = 0.0f;
    float panicles_ = 0.0f;
};

class LeafSenescence {
public:
    void CalculateDeadLAI(const DailySeries& GDDcum, const DailySeries& LAIday, float GDDLeafLife,
                          std::int32_t ToDay, std::int32_t lastDay = kLastDay);
    float GetDeadLAI() const { return deadLAI_; }
    // The day the leaves shed today grew on (0 when none is found): a transplanted crop's seedbed leaves
    // were counted per m2 of seedbed.
    std::int32_t GetGrowthDay() const { return growthDay_; }

private:
    float deadLAI_ = 0.0f;
    std::int32_t growthDay_ = 0;
    // On day lastDay_, the slots of GDDcum before firstCandidate_ held no value at or above floor_, so no
    // window starting at or above floor_ can find them.
    std::int32_t lastDay_ = 0;
    std::int32_t firstCandidate_ = 1;
    float floor_ = 0.0f;
};

} // namespace tulo
