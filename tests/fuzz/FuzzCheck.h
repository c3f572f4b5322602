// What the fuzzers share: a check that fails ends the run the way libFuzzer
// reports as a finding, and the ini store read from an input's text.
#pragma once

#include "TIniFile.h"
#include "TStringList.h"

namespace fuzz
{
inline void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

inline Tr::TIniFile parsedIni(const char* text, int length)
{
    Tr::TStringList lines;
    lines.setText(text, length);
    Tr::TIniFile ini;
    ini.parse(lines);
    return ini;
}
} // namespace fuzz
