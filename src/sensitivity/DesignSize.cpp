#include "sensitivity/DesignSize.h"

#include "sensitivity/methods/MethodTable.h"

#include <algorithm>

namespace tulo::sensitivity {

namespace {

// The most rows of `k` factors the tool draws.
long MostRows(int k) {
    return std::min(kMaxDesignRows, kMaxDesignValues / std::max(k, 1));
}

std::string Factors(int k) {
    return std::to_string(k) + (k == 1 ? " factor" : " factors");
}

} // namespace

long SizeSetting(const Method& method) {
    return EntryOf(method.kind).sizeSetting(method);
}

std::optional<SizeLimits> MethodSizeLimits(const Method& method, int k) {
    if (k < 1) return std::nullopt;
    const auto limits = EntryOf(method.kind).sizeLimits(method, k, MostRows(k));
    if (!limits || limits->most < limits->least) return std::nullopt;
    return limits;
}

long DesignRows(const Method& method, int k) {
    return EntryOf(method.kind).designRows(method, k);
}

Outcome CheckDesignSize(const Method& method, int k) {
    const MethodEntry& entry = EntryOf(method.kind);
    const auto limits = MethodSizeLimits(method, k);
    const long size = entry.sizeSetting(method);
    if (limits && size >= limits->least && size <= limits->most) return Outcome::Success();
    const std::string name = entry.title(method) + " of " + Factors(k);
    if (entry.sizeRefusal)
        if (auto why = entry.sizeRefusal(method, k, limits); !why)
            return Outcome::Failure(name + why.message);
    if (!limits)
        return Outcome::Failure(name + " would need more runs than the " + std::to_string(MostRows(k)) +
                                " the tool draws.");
    return Outcome::Failure(name + " takes " + std::to_string(limits->least) + " to " +
                            std::to_string(limits->most) + " " + std::string(entry.sizeUnit) + ", not " +
                            std::to_string(size) + ".");
}

} // namespace tulo::sensitivity
