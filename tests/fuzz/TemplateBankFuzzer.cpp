// Feeds blocks to the bank's rules: the check, the import and the building of
// a block from what was imported. A block is imported exactly when the check
// finds no reason against it, a refused block leaves the working copy and
// base settings as they were, and the block built from an imported one passes
// the check and imports back to the same working copy and base settings.
//
// Nearly every byte string fails the size check, so the first byte of the
// input steers how the rest becomes the block:
//   bit 0 clear: the rest as it stands, of any size;
//   bit 0 set:   the rest laid over the default bank and cut at its size,
//                then with bit 1 its framing bytes set, with bit 2 its
//                program markers set, with bit 3 every byte between the
//                framing bytes made a data byte (its top bit cleared),
// so that blocks reach each check behind the size check, and the import.
#include "TemplateBank.h"
#include "FuzzCheck.h"

#include "Exception.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{
using fuzz::check;

bool sameImage(const TemplateImage& a, const TemplateImage& b)
{
    return std::memcmp(a.data(), b.data(), TemplateImage::size) == 0;
}

/** The block an input stands for (see above). */
std::vector<unsigned char> blockOf(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    const uint8_t steer = data[0];
    const uint8_t* rest = data + 1;
    const size_t restSize = size - 1;
    if ((steer & 1) == 0)
        return std::vector<unsigned char>(rest, rest + restSize);

    std::vector<unsigned char> block(defaultTemplate.data(), defaultTemplate.data() + TemplateImage::size);
    std::copy_n(rest, std::min(restSize, block.size()), block.begin());
    if ((steer & 2) != 0)
    {
        block[TemplateImage::sysexStartOffset] = TemplateImage::sysexStartValue;
        block[TemplateImage::sysexEndOffset] = TemplateImage::sysexEndValue;
    }
    if ((steer & 4) != 0)
        for (int n = 1; n <= TemplateImage::programCount; ++n)
            block[static_cast<size_t>(TemplateBank::programOffset(n))] = static_cast<unsigned char>(n);
    if ((steer & 8) != 0)
        for (int i = TemplateImage::sysexStartOffset + 1; i < TemplateImage::sysexEndOffset; ++i)
            block[static_cast<size_t>(i)] &= 0x7F;
    return block;
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
    // Exactly the block's bytes, so that a read past its end is caught.
    const std::vector<unsigned char> input = blockOf(data, size);
    const int length = static_cast<int>(input.size());

    const bool valid = TemplateBank::checkTemplate(input.data(), length).isEmpty();
    Imported first;
    const bool loaded = first.load(input.data(), length);
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
