#include "midi/MidiBackend.h"

#include "midi/MidiDeviceNames.h"

namespace PlatformMidi
{
MMRESULT MidiBackend::interfacePathSize(DeviceKind kind, UINT id, ULONG& bytes)
{
    std::string path;
    const MMRESULT code = interfacePath(kind, id, path);
    if (code == MMSYSERR_NOERROR)
        bytes = utf16Bytes(path);
    return code;
}
} // namespace PlatformMidi
