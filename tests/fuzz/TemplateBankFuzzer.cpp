// Feeds arbitrary blocks to the bank's rules: the check, the import and the
// building of a block from what was imported. A block is imported exactly
// when the check finds no reason against it, a refused block leaves the
// working copy and base settings as they were, and the block built from an
// imported one passes the check and imports back to the same working copy
// and base settings.
#include "TemplateBank.h"
#include "FuzzCheck.h"

#include "Exception.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace
{
using fuzz::check;

bool sameImage(const TemplateImage& a, const TemplateImage& b)
{
    return std::memcmp(a.data(), b.data(), TemplateImage::size) == 0;
}

/** A working copy and base settings that no import produces, to see what an
    import changed. */
struct Imported
{
    TemplateImage workingCopy{};
    BaseSettings baseSettings{};

    Imported()
    {
        std::memset(workingCopy.data(), 0xA5, TemplateImage::size);
        baseSettings.fill(-7);
    }

    /** Whether the import took the block. */
    bool load(const unsigned char* data, int size)
    {
        try
        {
            TemplateBank::loadTemplate(data, size, workingCopy, baseSettings);
            return true;
        }
        catch (const Tr::Exception&)
        {
            return false;
        }
    }

    bool operator==(const Imported& other) const
    {
        return sameImage(workingCopy, other.workingCopy) && baseSettings == other.baseSettings;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x10000)
        return 0;
    const int length = static_cast<int>(size);

    const bool valid = TemplateBank::checkTemplate(data, length).isEmpty();
    Imported first;
    const bool loaded = first.load(data, length);
    check(loaded == valid);
    if (!loaded)
    {
        check(first == Imported());
        return 0;
    }

    unsigned char block[TemplateImage::size];
    TemplateBank::buildSysex(first.workingCopy, first.baseSettings, block, TemplateImage::size);
    check(TemplateBank::checkTemplate(block, TemplateImage::size).isEmpty());
    Imported second;
    check(second.load(block, TemplateImage::size));
    check(second == first);
    return 0;
}
