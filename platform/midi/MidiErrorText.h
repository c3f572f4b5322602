// The readable texts of the multimedia MIDI answers, and the explanation a
// backend gave for the calling thread's last failure (so that the text of
// that code can say what went wrong, as a MIDI library's error would).
#pragma once

#include "PlatformTypes.h"

#include <string>

namespace PlatformMidi
{
/** The text of a known code; false for a code that has none. */
bool midiErrorText(MMRESULT code, std::string& text);

/** Remembers, for the calling thread, that a call just failed with code and
    why (detail may be empty). */
void rememberFailure(MMRESULT code, const std::string& detail);

/** The error-text call: the code's text, followed by the calling thread's
    last explanation when that was given for the same code, cut to fit
    textSize bytes with its NUL. MMSYSERR_BADERRNUM (and an empty text) for
    an unknown code, MMSYSERR_INVALPARAM for a null or empty buffer. */
MMRESULT writeMidiErrorText(MMRESULT code, char* text, UINT textSize);
} // namespace PlatformMidi
