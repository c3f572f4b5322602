// Feeds arbitrary bytes to the ini store: the bytes before the first NUL are
// parsed as a file, the bytes after it are written as a value. Checks that a
// saved file reads back to the same text, and that a written value, whatever
// it holds, reads back unchanged without adding lines or sections.
#include "TIniFile.h"
#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace
{
using fuzz::check;


int sectionLineCount(const Tr::TIniFile& ini, const char* name)
{
    return ini.getSection(name).count();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x100000)
        return 0;
    const char* text = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(text, '\0', size);
    const size_t fileLength = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - text) : size;

    // Parse and save; a saved text parses and saves to the same text.
    Tr::TIniFile ini = fuzz::parsedIni(text, static_cast<int>(fileLength));
    const Tr::TString saved = ini.toText();
    Tr::TIniFile reread = fuzz::parsedIni(saved.c_str(), saved.length());
    check(reread.toText() == saved);

    if (nul == nullptr)
        return 0;

    // Write the rest of the input as a value (up to a further NUL, and short
    // enough to stay within the line limit once quoted), save, and read back.
    const char* valueStart = text + fileLength + 1;
    const size_t rest = size - fileLength - 1;
    const Tr::TString value(valueStart, static_cast<int>(rest < 3000 ? rest : 3000));
    const char* section = "Fuzz Section";
    const int linesBefore = sectionLineCount(ini, section);
    ini.writeString(section, "Key", value);
    ini.writeString(section, "After", "1");
    const Tr::TString written = ini.toText();
    Tr::TIniFile back = fuzz::parsedIni(written.c_str(), written.length());
    check(back.readString(section, "Key", "<missing>") == value);
    check(back.readString(section, "After", "<missing>") == "1");
    // At most the two written lines and the empty line that ends the section
    // come in addition to what the section held.
    check(sectionLineCount(back, section) <= linesBefore + 3);
    return 0;
}
