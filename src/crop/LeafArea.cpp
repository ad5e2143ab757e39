#include "crop/LeafArea.h"

namespace tulo {

float LeafAreaAndPartitioning::SpecificLeafArea(float SLA0, float SLA035, float DVS) {
    // Leaves thicken quadratically from emergence to the end of tillering (DVS 0.35), then stay as thick.
    const double dvs = DVS;
    const double sla = (dvs <= 0.35) ? SLA0 + (static_cast<double>(SLA035) - SLA0) * dvs * dvs / (0.35 * 0.35)
                                     : static_cast<double>(SLA035);
    return static_cast<float>(sla / 1000.0); // m2 kg-1 -> m2 g-1
}

float LeafAreaAndPartitioning::LeafShare(float RipL0, float DVS) {
    const double dvs = DVS;
    return (dvs <= 1.0) ? static_cast<float>(RipL0 * (1.0 - dvs * dvs)) : 0.0f;
}

float LeafAreaAndPartitioning::PanicleShare(float DVS) {
    const double dvs = DVS;
    if (dvs < 0.7) return 0.0f;
    if (dvs > 1.5) return 1.0f;
    // The fitted parabola dips slightly below 0 just after 0.7 and tops 1 near 1.5; only the top is cut.
    const double share = -1.8751 * dvs * dvs + 5.4315 * dvs - 2.9055;
    return (share > 1.0) ? 1.0f : static_cast<float>(share);
}

void LeafAreaAndPartitioning::SplitGrowth(const LeafParameters& leaf, const PartitioningDay& day) {
    const float growth = day.growth;
    // Sterile spikelets fill no grain: their share of the panicle growth stays with the stems.
    const double fertile = 1.0 - static_cast<double>(day.SterilityCum);
    panicles_ = static_cast<float>(PanicleShare(day.DVS) * static_cast<double>(growth) * fertile);
    leaves_ = static_cast<float>(static_cast<double>(LeafShare(leaf.RipL0, day.DVS)) * growth);
    // Deliberately unclamped: a negative panicle share near DVS 0.7 is handed to the stems.
    stems_ = static_cast<float>(static_cast<double>(growth) - leaves_ - panicles_);
    LAIday_ =
        static_cast<float>(static_cast<double>(SpecificLeafArea(leaf.SLA0, leaf.SLA035, day.DVS)) * leaves_);
}

void LeafSenescence::CalculateDeadLAI(const DailySeries& GDDcum, const DailySeries& LAIday, float GDDLeafLife,
                                      std::int32_t ToDay, std::int32_t lastDay) {
    // ToDay is a simulated day (from 1), so slot ToDay - 1 always exists.
    const float x = static_cast<float>(static_cast<double>(GDDcum[ToDay - 1]) - GDDLeafLife);
    // Within a season the window only moves up, so the slots found below it yesterday stay out of reach
    // today. When it sinks (the crop has ended, a new season) or the days do not follow each other, the
    // search starts again from day 1.
    const bool resume = ToDay == lastDay_ + 1 && firstCandidate_ <= lastDay_ && x >= floor_;
    lastDay_ = ToDay;
    if (!resume) firstCandidate_ = 1;
    deadLAI_ = LAIday[0];
    growthDay_ = 0;
    if (x < 0.0f) return; // no leaf has lived long enough yet

    // The leaves formed the day before the first day whose cumulated thermal time lies within an
    // 18 degree-day window after x have now lived GDDLeafLife and die today. The first match decides.
    const float upper = static_cast<float>(static_cast<double>(x) + 18.0);
    int i = firstCandidate_;
    while (i <= lastDay && !(GDDcum[i] >= x)) ++i;
    firstCandidate_ = i;
    floor_ = x;
    for (; i <= lastDay; ++i) {
        const float gdd = GDDcum[i];
        if (x <= gdd && gdd <= upper) {
            deadLAI_ = LAIday[i - 1];
            growthDay_ = i - 1;
            return;
        }
    }
}

} // namespace tulo
