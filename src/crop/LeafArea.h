#pragma once
// Partitioning of the day's growth, new green leaf area, and leaf senescence.
//
// LeafAreaAndPartitioning — inputs: the growth to split (g m-2 d-1), SLA0 and SLA035 (m2 kg-1),
// RipL0 (-), DVS (-), the cumulated spikelet sterility (fraction).
// Outputs: leaves, stems and panicles growth (g m-2 d-1) and the new green area (m2 m-2).
// Stems take whatever leaves and panicles do not, with no clamping.
//
// LeafSenescence — inputs: the run's whole GDDcum and LAIday series, leaf life GDDLeafLife (°C d)
// and the day of year. Output: the green area shed on the day (m2 m-2).
// One object serves one run: it carries its search from one day to the next, which holds as long as
// between two calls on consecutive days GDDcum changes in the earlier day's slot only, as the daily loop
// writes it. Any other call starts the search afresh.

#include "base/DailySeries.h"

#include <cstdint>

namespace tulo {

class LeafAreaAndPartitioning {
public:
    void CalculatePartitionedAGBs(float AGBday, float SLA0, float SLA035, float RipL0, float DVS,
                                  float SterilityCum);
    // Must follow CalculatePartitionedAGBs: converts its leaves growth into green area.
    void CalculateLAIdayROB(float AGBday, float SLA0, float SLA035, float RipL0, float DVS);

    // Specific leaf area in m2 g-1.
    static float SLAfunction(float SLA0, float SLA035, float DVS);
    // Fractions of growth going to leaves and to panicles.
    static float RipLfunction(float RipL0, float DVS);
    static float RipPfunction(float DVS);

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
                          std::int32_t ToDay);
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
