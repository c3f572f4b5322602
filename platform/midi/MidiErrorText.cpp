#include "midi/MidiErrorText.h"

#include "midi/MidiDeviceNames.h"
#include "midi/PlatformMidi.h"

#include <cstring>

namespace PlatformMidi
{
namespace
{
struct Failure
{
    MMRESULT code = MMSYSERR_NOERROR;
    std::string detail;
};
thread_local Failure lastFailure;

const char* textOf(MMRESULT code)
{
    switch (code)
    {
    case MMSYSERR_NOERROR: return "The operation completed.";
    case MMSYSERR_ERROR: return "The MIDI service reported an error.";
    case MMSYSERR_BADDEVICEID: return "There is no MIDI device with this number.";
    case MMSYSERR_NOTENABLED: return "The MIDI device could not be enabled.";
    case MMSYSERR_ALLOCATED: return "The MIDI device is already in use.";
    case MMSYSERR_INVALHANDLE: return "The MIDI handle is not open.";
    case MMSYSERR_NODRIVER: return "No MIDI service is available.";
    case MMSYSERR_NOMEM: return "There is not enough memory for the MIDI operation.";
    case MMSYSERR_NOTSUPPORTED: return "The MIDI service does not support this operation.";
    case MMSYSERR_BADERRNUM: return "The error number is unknown.";
    case MMSYSERR_INVALFLAG: return "A flag of the MIDI call is not supported.";
    case MMSYSERR_INVALPARAM: return "An argument of the MIDI call is not valid.";
    case MMSYSERR_HANDLEBUSY: return "The MIDI handle is busy on another thread.";
    case MIDIERR_UNPREPARED: return "The MIDI buffer header is not prepared.";
    case MIDIERR_STILLPLAYING: return "The MIDI buffer is still in use.";
    case MIDIERR_NOMAP: return "There is no MIDI map.";
    case MIDIERR_NOTREADY: return "The MIDI port is busy; try again later.";
    case MIDIERR_NODEVICE: return "The MIDI device is no longer connected.";
    case MIDIERR_INVALIDSETUP: return "The MIDI setup is not valid.";
    case MIDIERR_BADOPENMODE: return "The MIDI operation is not possible in this open mode.";
    case MIDIERR_DONT_CONTINUE: return "The MIDI driver stopped the operation.";
    default: return nullptr;
    }
}
} // namespace

bool midiErrorText(MMRESULT code, std::string& text)
{
    const char* found = textOf(code);
    if (found == nullptr)
        return false;
    text = found;
    return true;
}

void rememberFailure(MMRESULT code, const std::string& detail)
{
    lastFailure.code = code;
    lastFailure.detail = detail;
}

MMRESULT writeMidiErrorText(MMRESULT code, char* text, UINT textSize)
{
    if (text == nullptr || textSize == 0)
        return MMSYSERR_INVALPARAM;
    std::string message;
    if (!midiErrorText(code, message))
    {
        text[0] = '\0';
        return MMSYSERR_BADERRNUM;
    }
    if (code != MMSYSERR_NOERROR && lastFailure.code == code && !lastFailure.detail.empty())
        message += " " + lastFailure.detail;
    message = cutUtf8(message, textSize - 1);
    std::memcpy(text, message.c_str(), message.size() + 1);
    return MMSYSERR_NOERROR;
}
} // namespace PlatformMidi
