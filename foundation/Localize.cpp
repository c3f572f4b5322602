// The process-wide localisation store.
#include "Localize.h"

#include "TIniFile.h"

namespace Tr {

namespace
{
TIniFile& languageFile()
{
    static TIniFile store = [] {
        TIniFile file("Language.ini");
        file.load();
        return file;
    }();
    return store;
}
} // namespace

TString localize(const char* key)
{
    const TString text(key);
    return languageFile().readString("strings", text, text);
}

} // namespace Tr
