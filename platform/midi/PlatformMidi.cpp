// The multimedia MIDI operations: argument checks, the MIDI Mapper, caps and
// interface paths here; handles in MidiOutputHandle / MidiInputHandle;
// devices and bytes in the chosen backend.
#include "midi/PlatformMidi.h"

#include "midi/MidiBackendChoice.h"
#include "midi/MidiDeviceNames.h"
#include "midi/MidiErrorText.h"
#include "midi/MidiHandleTable.h"
#include "midi/MidiInputHandle.h"
#include "midi/MidiOutputHandle.h"

#include <algorithm>
#include <cstring>

using namespace PlatformMidi;

namespace
{
const char kMapperName[] = "MIDI Mapper";

/** Answers code, remembering it (and why) for the error-text calls. */
MMRESULT answer(MMRESULT code, const std::string& detail = std::string())
{
    if (code != MMSYSERR_NOERROR)
        rememberFailure(code, detail);
    return code;
}

bool isMapper(UINT_PTR deviceId)
{
    return deviceId == static_cast<UINT_PTR>(MIDI_MAPPER) || deviceId == static_cast<UINT_PTR>(-1);
}

bool isHeader(const MIDIHDR* header, UINT headerSize)
{
    return header != nullptr && headerSize == sizeof(MIDIHDR);
}

std::shared_ptr<MidiOutputHandle> findHandle(HMIDIOUT handle)
{
    return MidiHandleTable::instance().find<MidiOutputHandle>(handle, DeviceKind::output);
}

std::shared_ptr<MidiInputHandle> findHandle(HMIDIIN handle)
{
    return MidiHandleTable::instance().find<MidiInputHandle>(handle, DeviceKind::input);
}

/** A call on an open handle of either kind: operation's answer, or 5. */
template <typename Caller, typename Operation>
MMRESULT withHandle(Caller handle, Operation operation)
{
    auto found = findHandle(handle);
    return answer(found == nullptr ? MMSYSERR_INVALHANDLE : ((*found).*operation)());
}

/** A header call: the header and its size are checked first. */
template <typename Caller, typename Operation>
MMRESULT withHeader(Caller handle, LPMIDIHDR header, UINT headerSize, Operation operation)
{
    if (!isHeader(header, headerSize))
        return answer(MMSYSERR_INVALPARAM);
    auto found = findHandle(handle);
    return answer(found == nullptr ? MMSYSERR_INVALHANDLE : ((*found).*operation)(header));
}

/** The close of either kind; the handle leaves the table once it is closed. */
template <typename Caller>
MMRESULT closeHandle(Caller handle)
{
    auto found = findHandle(handle);
    if (found == nullptr)
        return answer(MMSYSERR_INVALHANDLE);
    const MMRESULT code = found->close();
    if (code == MMSYSERR_NOERROR)
        MidiHandleTable::instance().remove(found->value());
    return answer(code);
}

/** Checks a device id of the backend's list of the kind. */
MMRESULT checkDevice(MidiBackend& backend, DeviceKind kind, UINT_PTR deviceId)
{
    return deviceId < backend.deviceCount(kind) ? MMSYSERR_NOERROR : MMSYSERR_BADDEVICEID;
}

/** The product name of a device (or of the Mapper), cut to the caps room,
    into name (which holds kProductNameBytes + 1 bytes). */
MMRESULT capsName(DeviceKind kind, UINT_PTR deviceId, char* name)
{
    std::string found;
    if (kind == DeviceKind::output && isMapper(deviceId))
        found = kMapperName;
    else
    {
        std::shared_ptr<MidiBackend> backend = MidiBackendChoice::current();
        MMRESULT code = checkDevice(*backend, kind, deviceId);
        if (code == MMSYSERR_NOERROR)
            code = backend->productName(kind, static_cast<UINT>(deviceId), found);
        if (code != MMSYSERR_NOERROR)
            return code;
    }
    found = cutUtf8(found);
    std::memcpy(name, found.c_str(), found.size() + 1);
    return MMSYSERR_NOERROR;
}

template <typename Caps>
MMRESULT answerCaps(const Caps& caps, Caps* out, UINT capsSize)
{
    std::memcpy(out, &caps, std::min<size_t>(capsSize, sizeof(Caps)));
    return MMSYSERR_NOERROR;
}

MMRESULT checkOpenFlags(DWORD_PTR callback, DWORD flags, DWORD allowed)
{
    const DWORD type = flags & CALLBACK_TYPEMASK;
    if ((flags & ~(CALLBACK_TYPEMASK | allowed)) != 0 || (type != CALLBACK_NULL && type != CALLBACK_FUNCTION))
        return MMSYSERR_INVALFLAG;
    if (type == CALLBACK_FUNCTION && callback == 0)
        return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

OutputOpenOutcome openWith(MidiBackend& backend, UINT device, const std::shared_ptr<MidiOutputHandle>& handle)
{
    return backend.openOutput(device, handle);
}

InputOpenOutcome openWith(MidiBackend& backend, UINT device, const std::shared_ptr<MidiInputHandle>& handle)
{
    return backend.openInput(device, handle);
}

/** The open of either kind: the handle is listed when the backend hands a
    connection back, also with an error code. */
template <typename Handle, typename Caller>
MMRESULT openHandle(DeviceKind kind, Caller* out, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance,
                    DWORD flags, DWORD allowedFlags)
{
    if (out == nullptr)
        return answer(MMSYSERR_INVALPARAM);
    *out = nullptr;
    MMRESULT code = checkOpenFlags(callback, flags, allowedFlags);
    if (code != MMSYSERR_NOERROR)
        return answer(code);
    std::shared_ptr<MidiBackend> backend = MidiBackendChoice::current();
    const UINT device = kind == DeviceKind::output && isMapper(deviceId) ? 0 : deviceId;
    code = checkDevice(*backend, kind, device);
    if (code != MMSYSERR_NOERROR)
        return answer(code);
    const DWORD_PTR function = (flags & CALLBACK_TYPEMASK) == CALLBACK_FUNCTION ? callback : 0;
    auto handle = std::make_shared<Handle>(deviceId, function, instance, backend);
    // The value is the handle's before the backend sees it: a device that goes
    // away during the open is reported with it (after the open's callback).
    handle->setValue(MidiHandleTable::instance().unusedValue());
    auto outcome = openWith(*backend, device, handle);
    if (outcome.connection != nullptr)
    {
        MidiHandleTable::instance().add(handle);
        *out = reinterpret_cast<Caller>(handle->value());
        handle->attach(std::move(outcome.connection));
        return answer(outcome.code, outcome.detail);
    }
    if (outcome.invalidHandle)
        *out = reinterpret_cast<Caller>(handle->value()); // never listed
    return answer(outcome.code == MMSYSERR_NOERROR ? MMSYSERR_ERROR : outcome.code, outcome.detail);
}

/** The interface-path messages of either kind. */
MMRESULT deviceMessage(DeviceKind kind, UINT_PTR deviceId, UINT message, DWORD_PTR param1, DWORD_PTR param2)
{
    if (message != DRV_QUERYDEVICEINTERFACESIZE && message != DRV_QUERYDEVICEINTERFACE)
        return MMSYSERR_NOTSUPPORTED;
    if (param1 == 0)
        return MMSYSERR_INVALPARAM;
    if (kind == DeviceKind::output && isMapper(deviceId))
        return MMSYSERR_NOTSUPPORTED;
    std::shared_ptr<MidiBackend> backend = MidiBackendChoice::current();
    MMRESULT code = checkDevice(*backend, kind, deviceId);
    if (code != MMSYSERR_NOERROR)
        return code;
    const UINT device = static_cast<UINT>(deviceId);
    if (message == DRV_QUERYDEVICEINTERFACESIZE)
        return backend->interfacePathSize(kind, device, *reinterpret_cast<ULONG*>(param1));
    std::string path;
    code = backend->interfacePath(kind, device, path);
    if (code != MMSYSERR_NOERROR)
        return code;
    const std::u16string wide = utf8ToUtf16(path);
    const size_t bytes = (wide.size() + 1) * sizeof(char16_t);
    if (bytes > param2)
        return MMSYSERR_INVALPARAM;
    std::memcpy(reinterpret_cast<void*>(param1), wide.c_str(), bytes);
    return MMSYSERR_NOERROR;
}
} // namespace

UINT WINAPI midiOutGetNumDevs()
{
    return MidiBackendChoice::current()->deviceCount(DeviceKind::output);
}

MMRESULT WINAPI midiOutGetDevCapsA(UINT_PTR deviceId, LPMIDIOUTCAPSA caps, UINT capsSize)
{
    if (caps == nullptr || capsSize == 0)
        return answer(MMSYSERR_INVALPARAM);
    MIDIOUTCAPSA found{};
    const MMRESULT code = capsName(DeviceKind::output, deviceId, found.szPname);
    if (code != MMSYSERR_NOERROR)
        return answer(code);
    found.vDriverVersion = 0x0100;
    found.wTechnology = isMapper(deviceId) ? MOD_MAPPER : MOD_MIDIPORT;
    found.wChannelMask = 0xFFFF;
    return answerCaps(found, caps, capsSize);
}

MMRESULT WINAPI midiOutOpen(LPHMIDIOUT handle, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    return openHandle<MidiOutputHandle>(DeviceKind::output, handle, deviceId, callback, instance, flags, 0);
}

MMRESULT WINAPI midiOutClose(HMIDIOUT handle)
{
    return closeHandle(handle);
}

MMRESULT WINAPI midiOutShortMsg(HMIDIOUT handle, DWORD message)
{
    std::shared_ptr<MidiOutputHandle> found = findHandle(handle);
    if (found == nullptr)
        return answer(MMSYSERR_INVALHANDLE);
    std::string detail;
    const MMRESULT code = found->shortMessage(message, detail);
    return answer(code, detail);
}

MMRESULT WINAPI midiOutPrepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize)
{
    return withHeader(handle, header, headerSize, &MidiHandle::prepare);
}

MMRESULT WINAPI midiOutUnprepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize)
{
    return withHeader(handle, header, headerSize, &MidiHandle::unprepare);
}

MMRESULT WINAPI midiOutLongMsg(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize)
{
    if (!isHeader(header, headerSize))
        return answer(MMSYSERR_INVALPARAM);
    std::shared_ptr<MidiOutputHandle> found = findHandle(handle);
    if (found == nullptr)
        return answer(MMSYSERR_INVALHANDLE);
    std::string detail;
    const MMRESULT code = found->longMessage(header, detail);
    return answer(code, detail);
}

MMRESULT WINAPI midiOutGetErrorTextA(MMRESULT error, LPSTR text, UINT textSize)
{
    return writeMidiErrorText(error, text, textSize);
}

MMRESULT WINAPI midiOutMessage(HMIDIOUT deviceId, UINT message, DWORD_PTR param1, DWORD_PTR param2)
{
    return answer(deviceMessage(DeviceKind::output, reinterpret_cast<UINT_PTR>(deviceId), message, param1, param2));
}

UINT WINAPI midiInGetNumDevs()
{
    return MidiBackendChoice::current()->deviceCount(DeviceKind::input);
}

MMRESULT WINAPI midiInGetDevCapsA(UINT_PTR deviceId, LPMIDIINCAPSA caps, UINT capsSize)
{
    if (caps == nullptr || capsSize == 0)
        return answer(MMSYSERR_INVALPARAM);
    MIDIINCAPSA found{};
    const MMRESULT code = capsName(DeviceKind::input, deviceId, found.szPname);
    if (code != MMSYSERR_NOERROR)
        return answer(code);
    found.vDriverVersion = 0x0100;
    return answerCaps(found, caps, capsSize);
}

MMRESULT WINAPI midiInOpen(LPHMIDIIN handle, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags)
{
    return openHandle<MidiInputHandle>(DeviceKind::input, handle, deviceId, callback, instance, flags,
                                       MIDI_IO_STATUS);
}

MMRESULT WINAPI midiInClose(HMIDIIN handle)
{
    return closeHandle(handle);
}

MMRESULT WINAPI midiInPrepareHeader(HMIDIIN handle, LPMIDIHDR header, UINT headerSize)
{
    return withHeader(handle, header, headerSize, &MidiHandle::prepare);
}

MMRESULT WINAPI midiInUnprepareHeader(HMIDIIN handle, LPMIDIHDR header, UINT headerSize)
{
    return withHeader(handle, header, headerSize, &MidiHandle::unprepare);
}

MMRESULT WINAPI midiInAddBuffer(HMIDIIN handle, LPMIDIHDR header, UINT headerSize)
{
    return withHeader(handle, header, headerSize, &MidiInputHandle::addBuffer);
}

MMRESULT WINAPI midiInStart(HMIDIIN handle)
{
    return withHandle(handle, &MidiInputHandle::start);
}

MMRESULT WINAPI midiInStop(HMIDIIN handle)
{
    return withHandle(handle, &MidiInputHandle::stop);
}

MMRESULT WINAPI midiInReset(HMIDIIN handle)
{
    return withHandle(handle, &MidiInputHandle::reset);
}

MMRESULT WINAPI midiInGetID(HMIDIIN handle, LPUINT deviceId)
{
    if (deviceId == nullptr)
        return answer(MMSYSERR_INVALPARAM);
    std::shared_ptr<MidiInputHandle> found = findHandle(handle);
    if (found == nullptr)
        return answer(MMSYSERR_INVALHANDLE);
    *deviceId = found->deviceId();
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI midiInGetErrorTextA(MMRESULT error, LPSTR text, UINT textSize)
{
    return writeMidiErrorText(error, text, textSize);
}

MMRESULT WINAPI midiInMessage(HMIDIIN deviceId, UINT message, DWORD_PTR param1, DWORD_PTR param2)
{
    return answer(deviceMessage(DeviceKind::input, reinterpret_cast<UINT_PTR>(deviceId), message, param1, param2));
}
