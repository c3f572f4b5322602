// The lines of one section of a preferences (ini) file on disk, for comparing
// a whole section in one expectation.
#pragma once

#include "TIniFile.h"
#include "TStringListLines.h"

#include <string>
#include <vector>

namespace TestSupport
{
/** The lines of section in the file at path, without the empty line that ends it. */
inline std::vector<std::string> sectionOf(const std::string& path, const char* section)
{
    Tr::TIniFile ini(Tr::TString(path.c_str()));
    ini.load();
    std::vector<std::string> lines = linesOf(ini.getSection(section));
    if (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}
} // namespace TestSupport
