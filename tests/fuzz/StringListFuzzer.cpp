// Feeds arbitrary bytes to the line splitting and the key=value reading of
// the line list and checks what must hold for any input.
#include "TStringList.h"
#include "FuzzCheck.h"

#include <cstddef>
#include <cstdint>

namespace
{
using fuzz::check;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x7FFFFFF)
        return 0;
    const char* text = reinterpret_cast<const char*>(data);
    Tr::TStringList list;
    list.setText(text, static_cast<int>(size));

    // No line holds a line end; the lines never hold more bytes than the input.
    size_t total = 0;
    for (int i = 0; i < list.count(); ++i)
    {
        const Tr::TString& line = list.at(i);
        check(line.indexOf('\n') < 0 && line.indexOf('\r') < 0);
        total += static_cast<size_t>(line.length());
    }
    check(total <= size);

    // A key that is found stands in the map; every key the map holds is found.
    const Tr::TString firstLine = list.count() > 0 ? list.at(0) : Tr::TString();
    const int found = list.parseValues(firstLine);
    check(found < list.count());
    if (found >= 0)
        check(list.hasValue(firstLine));
    for (int i = 0; i < list.count() && i < 64; ++i)
    {
        const Tr::TString key = list.at(i).substring(0, 8);
        if (list.hasValue(key))
            check(list.parseValues(key) >= 0);
        list.getValue(key);
    }

    // A value set under a plain key reads back, whatever the other lines hold.
    list.setValue("fuzz.key", "value=with=equals ");
    check(list.getValue("fuzz.key") == "value=with=equals ");
    check(list.removeValue("fuzz.key"));
    return 0;
}
