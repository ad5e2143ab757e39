#include "crop/ForcingLAI.h"

namespace tulo {

void ForcedLeafArea::NDVItoForceLAI(float ndviLAI, float AGB, float agbLeaves, float agbStems,
                                    float AGBpanicles, float /*DVS*/, float SLA) {
    // The shares are singles, as the biomasses they scale.
    const auto leafShare = static_cast<float>(static_cast<double>(agbLeaves) / AGB);
    const auto stemShare = static_cast<float>(static_cast<double>(agbStems) / AGB);
    const auto panicleShare = static_cast<float>(static_cast<double>(AGBpanicles) / AGB);
    leaves_ = static_cast<float>(static_cast<double>(ndviLAI) / SLA);
    AGB_ = static_cast<float>(static_cast<double>(leaves_) / leafShare);
    stems_ = static_cast<float>(static_cast<double>(AGB_) * stemShare);
    panicles_ = static_cast<float>(static_cast<double>(AGB_) * panicleShare);
}

} // namespace tulo
