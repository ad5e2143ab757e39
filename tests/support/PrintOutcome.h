#pragma once
// Outcomes and Results as a failed expectation shows them: the status, the reason and the message, not
// the bytes of the object.

#include "base/Outcome.h"

#include <ostream>

namespace tulo {

inline void PrintTo(const Outcome& outcome, std::ostream* out) {
    static const char* const kStatuses[] = {"Done", "Cancelled", "Failed"};
    *out << kStatuses[outcome.status];
    if (outcome.reason != Outcome::Reason::Unspecified)
        *out << " (reason " << static_cast<int>(outcome.reason) << ")";
    if (!outcome.message.empty()) *out << ": " << outcome.message;
}

template <class T> void PrintTo(const Result<T>& result, std::ostream* out) {
    if (result)
        *out << "a value";
    else
        PrintTo(result.outcome(), out);
}

} // namespace tulo
