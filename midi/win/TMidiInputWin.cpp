#include "TMidiInputWin.h"

#include "EMidiError.h"
#include "MidiMessages.h"
#include "MidiWinFunctions.h"
#include "Millis.h"
#include "OpenDeviceNames.h"
#include "TextFunctions.h"

#include <memory>

namespace Tr {

namespace
{
constexpr UINT kRecordSize = sizeof(MIDIHDR);
constexpr DWORD_PTR kActiveSensing = 0xFE;
constexpr DWORD_PTR kClock = 0xF8;

uint64_t timeStampOf(DWORD_PTR param)
{
    return static_cast<uint32_t>(param);
}
} // namespace

// As for outputs, the system calls back only between the open and the return
// of midiInClose, so a port whose close has returned is never touched here.
void CALLBACK midiInCallback(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2)
{
    auto* port = reinterpret_cast<TMidiInputWin*>(instance);
    if (port == nullptr || port->m_closing.load())
        return;
    switch (message)
    {
    case MIM_CLOSE:
        port->m_closing.store(true);
        break;
    case MIM_DATA:
    case MIM_ERROR:
    case MIM_MOREDATA:
        port->onShortMessage(param1, param2);
        break;
    case MIM_LONGDATA:
    case MIM_LONGERROR:
        port->onBufferDone(handle, reinterpret_cast<MIDIHDR*>(param1), param2);
        break;
    default:
        break;
    }
}

TMidiInputWin::TMidiInputWin(const MidiDeviceDescriptor* descriptor)
    : TMidiInputBase(descriptor)
{
}

TMidiInputWin::~TMidiInputWin()
{
    close();
}

void TMidiInputWin::onShortMessage(DWORD_PTR packed, DWORD_PTR timeStamp)
{
    if ((packed == kActiveSensing && !getPassActiveSensing()) || (packed == kClock && !getPassClock()))
        return;
    TMidiDeviceDataListener* const listener = getDataListener();
    if (listener == nullptr)
        return;
    const unsigned char bytes[3] = {static_cast<unsigned char>(packed & 0xFFu),
                                    static_cast<unsigned char>((packed >> 8) & 0xFFu),
                                    static_cast<unsigned char>((packed >> 16) & 0xFFu)};
    listener->onMidiData(this, timeStampOf(timeStamp), bytes, midiMessageLength(bytes[0]));
}

void TMidiInputWin::onBufferDone(HMIDIIN handle, MIDIHDR* record, DWORD_PTR timeStamp)
{
    TMidiDeviceDataListener* const listener = getDataListener();
    if (listener == nullptr || record == nullptr)
        return;
    // A count beyond the buffer would make the listener read past it.
    DWORD length = record->dwBytesRecorded;
    if (length > record->dwBufferLength)
        length = record->dwBufferLength;
    listener->onMidiData(this, timeStampOf(timeStamp), reinterpret_cast<const unsigned char*>(record->lpData),
                         static_cast<int>(length));
    if (!m_closing.load())
        midiInAddBuffer(handle, record, kRecordSize);
}

void TMidiInputWin::openHandle()
{
    m_closing.store(false);
    HMIDIIN handle = nullptr;
    const MMRESULT code = midiInOpen(&handle, static_cast<UINT>(getDescriptor()->getIndex()),
                                     reinterpret_cast<DWORD_PTR>(&midiInCallback), reinterpret_cast<DWORD_PTR>(this),
                                     CALLBACK_FUNCTION | MIDI_IO_STATUS);
    UINT id = 0;
    const bool accepted = code == MMSYSERR_NOERROR
                          || (handle != nullptr && midiInGetID(handle, &id) != MMSYSERR_INVALHANDLE);
    if (!accepted)
        throw EMidiError(getMidiErrorText(code, true, formatStr(kMidiCannotOpenInput, getDisplayName())));
    if (handle == nullptr)
        return;
    try
    {
        allocateBuffers(handle);
    }
    catch (...)
    {
        // The open fails as a whole: the handle is not kept open behind it.
        m_closing.store(true);
        for (int i = 0; i < m_buffers.count(); ++i)
            m_buffers[i]->unprepare(handle);
        midiInClose(handle);
        freeBuffers();
        throw;
    }
    setHandle(handle);
    addOpenDeviceName(true, getDisplayName());
}

void TMidiInputWin::allocateBuffers(HMIDIIN handle)
{
    if (m_bufferCount <= 0 || m_bufferSize <= 0 || handle == nullptr)
        return;
    freeBuffers();
    for (int i = 0; i < m_bufferCount; ++i)
    {
        auto buffer = std::make_unique<TMidiInHdr>(m_bufferSize);
        m_buffers.add(buffer.get());
        TMidiInHdr* const listed = buffer.release();
        listed->prepare(handle);
    }
}

void TMidiInputWin::freeBuffers()
{
    m_buffers.deleteAll();
}

bool TMidiInputWin::closeHandle(void* handle)
{
    const HMIDIIN h = static_cast<HMIDIIN>(handle);
    const bool wasClosing = m_closing.exchange(true);
    m_started.store(false);
    try
    {
        // Yoke inputs (any case) are closed without a reset.
        if (h != nullptr && !wasClosing && !getDisplayName().contains("Yoke", true))
            midiInReset(h);
        for (int i = 0; i < m_buffers.count(); ++i)
            m_buffers[i]->unprepare(h);
        if (h != nullptr)
            midiInClose(h);
        sleepMs(1);
        freeBuffers();
    }
    catch (...)
    {
        removeOpenDeviceName(true, getDisplayName());
        throw;
    }
    removeOpenDeviceName(true, getDisplayName());
    return true;
}

void TMidiInputWin::checkClosed()
{
    if (isOpen() && m_closing.load())
        close();
}

void TMidiInputWin::start()
{
    const HMIDIIN handle = inHandle();
    if (handle == nullptr)
        return;
    const MMRESULT code = midiInStart(handle);
    if (code != MMSYSERR_NOERROR)
        throw EMidiError(getMidiErrorText(code, true, TString()));
    m_started.store(true);
}

void TMidiInputWin::stop()
{
    const HMIDIIN handle = inHandle();
    if (handle == nullptr || m_closing.load())
        return;
    midiInStop(handle);
    m_started.store(false);
}

} // namespace Tr
