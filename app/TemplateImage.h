// The 690-byte bank of the device: one System Exclusive message that is at the
// same time the whole content of a template file (".syx").
#pragma once

#include <cstddef>

/** One program of the bank as it lies in a TemplateImage: 36 bytes.

    Every step has a pair of bytes, an interval and a Whammy setting; all 16
    pairs are always present, whatever the number of steps. The offsets are
    the ones the editor writes through (record offset + field offset).
*/
struct ProgramRecord
{
    static constexpr int size = 36;
    static constexpr int stepPairs = 16;

    static constexpr int markerOffset = 0;
    static constexpr int typeOffset = 1;
    static constexpr int stepCountOffset = 34;
    static constexpr int durationOffset = 35;

    /** Offset inside the record of the interval byte of step k (0 ... 15). */
    static constexpr int intervalOffset(int k) { return 2 + 2 * k; }
    /** Offset inside the record of the Whammy setting byte of step k (0 ... 15). */
    static constexpr int settingOffset(int k) { return 3 + 2 * k; }

    struct StepPair
    {
        unsigned char interval;
        unsigned char setting;
    };

    unsigned char marker;       // the program's number, 1 ... 19
    unsigned char type;         // 0 ... 3, or 5 "Different Settings"
    StepPair steps[stepPairs];
    unsigned char stepCount;    // 2 ... 16
    unsigned char duration;     // 17 ... 127
};

/** The whole bank: the start of System Exclusive, the 19 program records,
    the four global values and the end of System Exclusive. There is no
    header: the byte after 0xF0 is the marker of program 1.

    Every field is one unsigned byte, so the struct has no padding and its
    bytes are the block itself; data() gives them for byte-offset access.
*/
struct TemplateImage
{
    static constexpr int size = 690;
    static constexpr int programCount = 19;

    static constexpr unsigned char sysexStartValue = 0xF0;
    static constexpr unsigned char sysexEndValue = 0xF7;

    static constexpr int sysexStartOffset = 0;
    static constexpr int firstProgramOffset = 1;
    static constexpr int loopPortamentoOffset = 685;
    static constexpr int stepPortamentoOffset = 686;
    static constexpr int outputTypeOffset = 687;
    static constexpr int baseChannelOffset = 688;
    static constexpr int sysexEndOffset = 689;

    unsigned char sysexStart;
    ProgramRecord programs[programCount];
    unsigned char loopPortamento;   // 17 fast, 25 medium, 45 slow
    unsigned char stepPortamento;   // 25 fast, 50 medium, 80 slow
    unsigned char outputType;       // 4 "Whammy Only", 5 "Whammy & Clock"
    unsigned char baseChannel;      // 0 ... 14, shown as 1 ... 15
    unsigned char sysexEnd;

    unsigned char* data() { return reinterpret_cast<unsigned char*>(this); }
    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(this); }
};

static_assert(sizeof(ProgramRecord) == ProgramRecord::size, "a program record is 36 bytes");
static_assert(offsetof(ProgramRecord, stepCount) == ProgramRecord::stepCountOffset, "record layout");
static_assert(offsetof(ProgramRecord, duration) == ProgramRecord::durationOffset, "record layout");
static_assert(sizeof(TemplateImage) == TemplateImage::size, "a template is 690 bytes");
static_assert(offsetof(TemplateImage, programs) == TemplateImage::firstProgramOffset, "bank layout");
static_assert(offsetof(TemplateImage, loopPortamento) == TemplateImage::loopPortamentoOffset, "bank layout");
static_assert(offsetof(TemplateImage, sysexEnd) == TemplateImage::sysexEndOffset, "bank layout");
