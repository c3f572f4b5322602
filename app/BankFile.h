// The file side of a bank that needs no window: the name a bank is saved
// under and the safe write of its bytes.
#pragma once

#include <juce_core/juce_core.h>

/**
    Rules for template files (".syx") shared by the save dialog and the save.

    A bank is written so that the file is either the complete new bank or,
    when anything fails, the old file as it was: the bytes go to a temporary
    file in the same folder first, which then replaces the target in one step
    and keeps its mode and owner. In a folder that takes no new file, a
    writable file is written in place, with its room claimed first.
*/
class BankFile
{
public:
    /** The extension every template file name ends with. */
    static constexpr const char* extension = ".syx";
    /** The longest path, in bytes of its 8-bit text, that a bank is saved under. */
    static constexpr int maxPathLength = 258;

    /** path with ".syx" appended, unless it already ends with ".syx" in any case. */
    static juce::String withExtension(const juce::String& path);

    /** True when path, as 8-bit text, is longer than maxPathLength bytes. */
    static bool isPathTooLong(const juce::String& path);

    /**
        Makes the file at path hold exactly size bytes of data. A path that is
        a symbolic link keeps being a link and the file it names is replaced.
        On failure throws Tr::Exception "file write error" and the file at path
        is unchanged.
    */
    static void write(const juce::String& path, const unsigned char* data, int size);

private:
    BankFile() = delete;
};
