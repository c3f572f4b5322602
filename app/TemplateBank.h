// Checking, importing and building the 690-byte bank, apart from any window.
#pragma once

#include "TemplateImage.h"

#include "TString.h"

#include <array>
#include <cstdint>

/** The base setting of each program, programs 1 ... 19 at indexes 0 ... 18.
    A block carries it only in the step settings of programs whose type is
    not "Different Settings", so the editor keeps it beside the working copy. */
using BaseSettings = std::array<int32_t, TemplateImage::programCount>;

/** The built-in default bank: 19 "Loop, No Portamento" programs of 16 steps
    (interval 0, setting 43 "Octave Up", duration 37), fast portamento
    speeds, "Whammy Only" on base channel 15. */
extern const TemplateImage defaultTemplate;
constexpr int defaultTemplateSize = TemplateImage::size;

/** The rules of the bank: which blocks are templates, how a block becomes the
    editor's working copy plus base settings, and how the working copy becomes
    a block again for a file or the device.

    The main panel keeps the working copy and the base settings as its own
    fields; its members of the same names hand them to these functions.
*/
class TemplateBank
{
public:
    static constexpr int programCount = TemplateImage::programCount;
    static constexpr int differentSettingsType = 5;
    /** "Octave Up": the base setting and per-step setting the import fills in
        where a block carries no value, and every program's base setting
        before the first import. */
    static constexpr int octaveUp = 43;

    /** The offset of program 1 ... 19's record in a TemplateImage; -1 for any
        other number, which callers treat as no program. */
    static int programOffset(int program);

    /** Why a block is not a template ("wrong size", ...), or an empty string
        when it is one. Reads at most 690 bytes. */
    static Tr::TString checkTemplate(const unsigned char* data, int size);

    /** Checks the block and imports it: the working copy becomes the block,
        with the bytes a block does not carry filled in, and the base settings
        are taken from it. A refused block throws Tr::Exception ("Not a valid
        template file: " and the reason) with nothing changed. */
    static void loadTemplate(const unsigned char* data, int size, TemplateImage& workingCopy,
                             BaseSettings& baseSettings);

    /** Writes the block that represents the working copy and base settings
        into destination (size must be at least 690; exactly 690 bytes are
        written). Framing, program markers and the base-setting rule are
        enforced (a type 5 program's intervals become 0, every other
        program's step settings its base setting, low 8 bits); all other
        bytes are copied as they stand. The editor only ever stores values
        of 0 ... 127, so the block passes checkTemplate again. A null or
        smaller buffer is left untouched. */
    static void buildSysex(const TemplateImage& workingCopy, const BaseSettings& baseSettings,
                           unsigned char* destination, int size);
};
