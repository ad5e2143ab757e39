#pragma once
// Reading input problems in tests: their texts in order, and a readable print in failure messages.

#include "base/Problems.h"

#include <ostream>
#include <string>
#include <vector>

namespace tulo {

inline void PrintTo(const InputProblem& p, std::ostream* out) {
    *out << p.field << "(" << p.row << "," << p.column << "): " << p.text;
}

namespace test {

inline std::vector<std::string> Texts(const Problems& problems) {
    std::vector<std::string> texts;
    for (const InputProblem& p : problems) texts.push_back(p.text);
    return texts;
}

} // namespace test
} // namespace tulo
