#include "TemplateBank.h"

#include "Exception.h"

#include <cstring>

namespace
{
constexpr int olderModelSize = 546;   // a template of the "Vaskor MIDI 2"
constexpr unsigned char highestDataByte = 0x7F;
constexpr unsigned char unison = 0;   // first row of every interval table

constexpr TemplateImage makeDefaultTemplate()
{
    TemplateImage image{};
    image.sysexStart = TemplateImage::sysexStartValue;
    for (int n = 1; n <= TemplateImage::programCount; ++n)
    {
        ProgramRecord& record = image.programs[n - 1];
        record.marker = static_cast<unsigned char>(n);
        record.type = 0;   // "Loop, No Portamento"
        for (ProgramRecord::StepPair& step : record.steps)
        {
            step.interval = unison;
            step.setting = TemplateBank::octaveUp;
        }
        record.stepCount = 16;
        record.duration = 37;   // "0.50"
    }
    image.loopPortamento = 17;   // fast
    image.stepPortamento = 25;   // fast
    image.outputType = 4;        // "Whammy Only"
    image.baseChannel = 14;      // channel 15
    image.sysexEnd = TemplateImage::sysexEndValue;
    return image;
}

/** The first program n whose record does not start with n, or 0 when all do. */
int firstWrongMarker(const unsigned char* data)
{
    for (int n = 1; n <= TemplateImage::programCount; ++n)
        if (data[TemplateBank::programOffset(n)] != n)
            return n;
    return 0;
}

/** Whether every byte between the framing bytes is a System Exclusive data
    byte; a status byte inside would break the message on its way out. */
bool onlyDataBytes(const unsigned char* data)
{
    for (int i = TemplateImage::sysexStartOffset + 1; i < TemplateImage::sysexEndOffset; ++i)
        if (data[i] > highestDataByte)
            return false;
    return true;
}
}   // namespace

constexpr TemplateImage defaultTemplate = makeDefaultTemplate();

int TemplateBank::programOffset(int program)
{
    if (program < 1 || program > programCount)
        return -1;
    return TemplateImage::firstProgramOffset + ProgramRecord::size * (program - 1);
}

Tr::TString TemplateBank::checkTemplate(const unsigned char* data, int size)
{
    if (size == olderModelSize)
        return Tr::TString("seems to be a Vaskor MIDI 2 template");
    if (size != TemplateImage::size || data == nullptr)
        return Tr::TString("wrong size");
    if (data[TemplateImage::sysexStartOffset] != TemplateImage::sysexStartValue
        || data[TemplateImage::sysexEndOffset] != TemplateImage::sysexEndValue)
        return Tr::TString("MIDI markers missing");
    if (firstWrongMarker(data) != 0)
        return Tr::TString("invalid program marker");
    if (!onlyDataBytes(data))
        return Tr::TString("invalid data byte");
    return Tr::TString();
}

void TemplateBank::loadTemplate(const unsigned char* data, int size, TemplateImage& workingCopy,
                                BaseSettings& baseSettings)
{
    const Tr::TString reason = checkTemplate(data, size);
    if (!reason.isEmpty())
        throw Tr::Exception("Not a valid template file: " + reason);

    std::memcpy(workingCopy.data(), data, TemplateImage::size);
    for (int n = 1; n <= programCount; ++n)
    {
        ProgramRecord& record = workingCopy.programs[n - 1];
        if (record.type == differentSettingsType)
        {
            // The block carries no intervals and no base setting for this program.
            baseSettings[n - 1] = octaveUp;
            for (ProgramRecord::StepPair& step : record.steps)
                step.interval = unison;
        }
        else
        {
            // The block carries the base setting in every step; step 0 stands for all.
            baseSettings[n - 1] = record.steps[0].setting;
            for (ProgramRecord::StepPair& step : record.steps)
                step.setting = octaveUp;
        }
    }
}

void TemplateBank::buildSysex(const TemplateImage& workingCopy, const BaseSettings& baseSettings,
                              unsigned char* destination, int size)
{
    // Both callers hand over a whole block; a smaller buffer would be written
    // past its end, so it is refused and left as it is.
    if (destination == nullptr || size < TemplateImage::size)
    {
        Tr::assertTrue(false);
        return;
    }

    TemplateImage block = workingCopy;
    block.sysexStart = TemplateImage::sysexStartValue;
    block.sysexEnd = TemplateImage::sysexEndValue;
    for (int n = 1; n <= programCount; ++n)
    {
        ProgramRecord& record = block.programs[n - 1];
        record.marker = static_cast<unsigned char>(n);
        const unsigned char baseSetting = static_cast<unsigned char>(baseSettings[n - 1] & 0xFF);
        for (ProgramRecord::StepPair& step : record.steps)
        {
            if (record.type == differentSettingsType)
                step.interval = unison;
            else
                step.setting = baseSetting;
        }
    }
    std::memcpy(destination, block.data(), TemplateImage::size);
}
