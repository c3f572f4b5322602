// Free functions of the multimedia (MME) MIDI driver: the length of a short
// message by its status byte and the driver's error texts.
#pragma once

#include "TString.h"

#include "midi/PlatformMidi.h"

#include <cstdint>

namespace Tr {

/** The number of bytes of the short message that status starts: 3 for note
    off/on, key pressure, controller and pitch bend, 2 for program change and
    channel pressure, 0 for data bytes, SysEx and the undefined 0xF4/0xF5; of
    the other system messages 2 (0xF1, 0xF3), 3 (0xF2) or 1 (0xF6 to 0xFF). */
int midiMessageLength(uint8_t status);

/** The system's text for the multimedia error code (asked of the input or
    the output side), or the translated "Unspecified error" when the system
    has none; preceded by prefix and a line break when prefix is not empty. */
TString getMidiErrorText(MMRESULT code, bool isInput, const TString& prefix);

} // namespace Tr
