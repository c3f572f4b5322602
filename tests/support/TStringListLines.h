// The lines of a Tr::TStringList as standard strings, for comparing a whole
// list in one expectation.
#pragma once

#include "TStringList.h"

#include <string>
#include <vector>

namespace TestSupport
{
inline std::vector<std::string> linesOf(const Tr::TStringList& list)
{
    std::vector<std::string> lines;
    for (int i = 0; i < list.count(); ++i)
        lines.emplace_back(list.at(i).c_str());
    return lines;
}
} // namespace TestSupport
