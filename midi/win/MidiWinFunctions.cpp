#include "MidiWinFunctions.h"

#include "MidiMessages.h"

namespace Tr {

int midiMessageLength(uint8_t status)
{
    const unsigned high = status >> 4;
    if (high != 0xFu)
    {
        switch (high)
        {
        case 0x8u:
        case 0x9u:
        case 0xAu:
        case 0xBu:
        case 0xEu:
            return 3;
        case 0xCu:
        case 0xDu:
            return 2;
        default:
            return 0; // a data byte starts no message
        }
    }
    switch (status)
    {
    case 0xF1u:
    case 0xF3u:
        return 2;
    case 0xF2u:
        return 3;
    case 0xF0u:
    case 0xF4u:
    case 0xF5u:
        return 0;
    default:
        return 1;
    }
}

TString getMidiErrorText(MMRESULT code, bool isInput, const TString& prefix)
{
    char text[MAXERRORLENGTH] = {};
    const MMRESULT answer = isInput ? midiInGetErrorTextA(code, text, MAXERRORLENGTH)
                                    : midiOutGetErrorTextA(code, text, MAXERRORLENGTH);
    // The text is read only up to the buffer's end, NUL or not.
    const TString message = answer == MMSYSERR_NOERROR ? TString(text, MAXERRORLENGTH) : kMidiUnspecifiedError;
    if (prefix.isEmpty())
        return message;
    return prefix + "\r\n" + message;
}

} // namespace Tr
