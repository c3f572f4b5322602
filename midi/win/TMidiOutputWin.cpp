#include "TMidiOutputWin.h"

#include "EMidiError.h"
#include "MidiMessages.h"
#include "MidiWinFactory.h"
#include "MidiWinFunctions.h"
#include "Millis.h"
#include "OpenDeviceNames.h"
#include "TextFunctions.h"

#include <cstring>
#include <memory>

namespace Tr {

namespace
{
constexpr UINT kRecordSize = sizeof(MIDIHDR);
constexpr DWORD kPendingGraceMs = 200;
} // namespace

// The system calls back between the open and the close of a handle only:
// midiOutClose returns every header it still holds (MOM_DONE) and delivers
// MOM_CLOSE before it returns, and no callback of that handle runs after it.
// So once close() has returned, nothing here touches the port any more, and
// the port may be destroyed.
void CALLBACK midiOutCallback(HMIDIOUT handle, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR)
{
    auto* port = reinterpret_cast<TMidiOutputWin*>(instance);
    if (port == nullptr)
        return;
    if (message == MOM_CLOSE)
        port->m_closedBySystem.store(true);
    else if (message == MOM_DONE)
        port->onHeaderDone(handle, reinterpret_cast<MIDIHDR*>(param1));
}

TMidiOutputWin::TMidiOutputWin(const MidiDeviceDescriptor* descriptor)
    : TMidiOutputBase(descriptor)
{
}

TMidiOutputWin::~TMidiOutputWin()
{
    close();
    dropPendingHeaders();
}

int TMidiOutputWin::deviceId() const
{
    return getDescriptor()->getIndex() - MidiWinFactory::mapperOffsetOf(getDescriptor());
}

void TMidiOutputWin::openHandle()
{
    m_closedBySystem.store(false);
    dropPendingHeaders();
    HMIDIOUT handle = nullptr;
    const MMRESULT code = midiOutOpen(&handle, static_cast<UINT>(deviceId()),
                                      reinterpret_cast<DWORD_PTR>(&midiOutCallback),
                                      reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    // Some drivers report a failure and still hand back a working handle:
    // a short message without a status byte tells a live handle from a dead one.
    const bool accepted = code == MMSYSERR_NOERROR
                          || (handle != nullptr && midiOutShortMsg(handle, 0) != MMSYSERR_INVALHANDLE);
    if (!accepted)
        throw EMidiError(getMidiErrorText(code, false, formatStr(kMidiCannotOpenOutput, getDisplayName())));
    if (handle == nullptr)
        return;
    setHandle(handle);
    addOpenDeviceName(false, getDisplayName());
}

bool TMidiOutputWin::closeHandle(void* handle)
{
    if (handle != nullptr)
    {
        midiOutClose(static_cast<HMIDIOUT>(handle));
        m_pendingCount.exchange(0);
    }
    return true;
}

void TMidiOutputWin::checkClosed()
{
    if (isOpen() && m_closedBySystem.load())
        close();
}

bool TMidiOutputWin::sendShort(uint32_t packed)
{
    return midiOutShortMsg(outHandle(), packed) == MMSYSERR_NOERROR;
}

bool TMidiOutputWin::sendShortBytes(uint8_t status, uint8_t data1, uint8_t data2)
{
    return sendShort(static_cast<uint32_t>(status) | static_cast<uint32_t>(data1) << 8
                     | static_cast<uint32_t>(data2) << 16);
}

bool TMidiOutputWin::sendLong(const uint8_t* data, int length)
{
    const HMIDIOUT handle = outHandle();
    if (handle == nullptr || length < 1 || data == nullptr || m_closedBySystem.load())
        return false;
    auto header = std::make_unique<TMidiOutHdr>(length);
    std::memcpy(header->data(), data, static_cast<size_t>(length));
    header->prepare(handle);
    if (midiOutLongMsg(handle, header->record(), kRecordSize) != MMSYSERR_NOERROR)
    {
        // Never handed over: the system holds no part of it.
        header->unprepare(handle);
        return false;
    }
    // From here the callback may run at any moment and return the header.
    TMidiOutHdr* const sent = header.release();
    bool returnedAlready = false;
    {
        BAutoLock hold(&m_headerLock);
        m_pendingCount.fetch_add(1);
        if (sent->listIndex == TMidiOutHdr::kUnlisted)
            listHeader(sent);
        else
            returnedAlready = true;
    }
    if (returnedAlready)
        delete sent;
    return true;
}

void TMidiOutputWin::listHeader(TMidiOutHdr* header)
{
    for (int i = 0; i < m_pendingHeaders.count(); ++i)
    {
        if (m_pendingHeaders[i] == nullptr)
        {
            m_pendingHeaders.set(i, header);
            header->listIndex = i;
            return;
        }
    }
    m_pendingHeaders.add(header);
    header->listIndex = m_pendingHeaders.count() - 1;
}

void TMidiOutputWin::onHeaderDone(HMIDIOUT handle, MIDIHDR* record)
{
    m_pendingCount.fetch_sub(1);
    auto* header = static_cast<TMidiOutHdr*>(TMidiHdrBase::fromRecord(record));
    if (header == nullptr)
        return;
    header->unprepare(handle);
    bool listed = false;
    {
        BAutoLock hold(&m_headerLock);
        const int slot = header->listIndex;
        if (slot >= 0)
        {
            m_pendingHeaders.set(slot, nullptr);
            listed = true;
        }
        else
        {
            // The sender has not listed it yet: it deletes it once it has
            // the lock.
            header->listIndex = TMidiOutHdr::kReturnedUnlisted;
        }
    }
    if (listed)
        delete header;
}

int TMidiOutputWin::sendLongChunked(const uint8_t* data, int length, TMidiSendProgress* progress)
{
    int sent = 0;
    int piece = kChunkSize;
    bool proceed = true;
    while (length > 0 && !m_closedBySystem.load())
    {
        if (progress != nullptr)
        {
            while (getPendingCount() > kMaxPendingChunks)
            {
                progress->onProgress(this, proceed);
                if (!proceed)
                    return sent;
            }
        }
        if (length < piece)
            piece = length;
        if (!sendLong(data, piece))
            return sent;
        length -= piece;
        data += piece;
        sent += piece;
        if (progress != nullptr && length > 0)
        {
            progress->onProgress(this, proceed);
            if (!proceed)
                return sent;
        }
    }
    return sent;
}

int TMidiOutputWin::pendingSlotCount() const
{
    BAutoLock hold(&m_headerLock);
    return m_pendingHeaders.count();
}

int TMidiOutputWin::listedHeaderCount() const
{
    BAutoLock hold(&m_headerLock);
    int listed = 0;
    for (int i = 0; i < m_pendingHeaders.count(); ++i)
        if (m_pendingHeaders[i] != nullptr)
            ++listed;
    return listed;
}

void TMidiOutputWin::dropPendingHeaders()
{
    BAutoLock hold(&m_headerLock);
    for (int i = 0; i < m_pendingHeaders.count(); ++i)
    {
        if (m_pendingHeaders[i] != nullptr)
        {
            sleepMs(kPendingGraceMs);
            break;
        }
    }
    m_pendingHeaders.deleteAll();
}

} // namespace Tr
