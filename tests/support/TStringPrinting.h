// Lets GoogleTest print Tr::TString values in failure messages as quoted text.
#pragma once

#include "TString.h"

#include <ostream>

namespace Tr {
inline void PrintTo(const TString& text, std::ostream* os)
{
    *os << '"' << text.c_str() << '"';
}
} // namespace Tr
