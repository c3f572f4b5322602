// Localised texts from "Language.ini".
#pragma once

#include "TString.h"

namespace Tr {

/** The translation of key from section "strings" of "Language.ini" in the
    current directory, read once on the first call; the key itself when the
    file or the key is missing. A key with an empty value gives "". */
TString localize(const char* key);

} // namespace Tr
