// Tr::TMidiOutputWin: a MIDI output port of the multimedia (MME) driver.
#pragma once

#include "BList.h"
#include "BLock.h"
#include "TMidiHdrBase.h"
#include "TMidiOutputBase.h"

#include "midi/PlatformMidi.h"

#include <atomic>
#include <cstdint>

namespace Tr {

/** The system's calls for an output port (CALLBACK_FUNCTION); instance is
    the port. Runs on the multimedia callback thread. */
void CALLBACK midiOutCallback(HMIDIOUT handle, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);

/** An MME output port. Short messages go out at once; a long message goes
    out as one header of its own copy of the data, handed to the system and
    kept in pendingHeaders until the system's completion (MOM_DONE) returns
    it on the callback thread, which then deletes it. Which side deletes a
    header that comes back before the sender has listed it is settled by the
    header's list marks under headerLock. A system close (the device went
    away) makes the port refuse long messages until it is closed and opened
    again. */
class TMidiOutputWin : public TMidiOutputBase
{
public:
    /** The largest piece of sendLongChunked. */
    static constexpr int kChunkSize = 1024;
    /** sendLongChunked waits (through its progress object) while more long
        messages than this are pending. */
    static constexpr int kMaxPendingChunks = 10;

    explicit TMidiOutputWin(const MidiDeviceDescriptor* descriptor);
    /** Closes the port, then deletes the headers still listed. */
    ~TMidiOutputWin() override;

    void checkClosed() override;
    bool sendShort(uint32_t packed) override;
    bool sendShortBytes(uint8_t status, uint8_t data1, uint8_t data2) override;
    /** Hands data to the system as one long message; true when it took it. */
    bool sendLong(const uint8_t* data, int length) override;
    /** Sends data as long messages of at most kChunkSize bytes; answers the
        number of bytes the system took. */
    int sendLongChunked(const uint8_t* data, int length, TMidiSendProgress* progress) override;
    int getPendingCount() const override { return m_pendingCount.load(); }

    /** The system's device id of this port: the MIDI Mapper (-1) for index 0
        of a factory that lists it, every other output one below its index. */
    int deviceId() const;
    /** Whether the system reported the port's device gone. */
    bool isClosedBySystem() const { return m_closedBySystem.load(); }

protected:
    void openHandle() override;
    bool closeHandle(void* handle) override;

    /** The slots of the pending list, free ones included, and the headers
        listed in them. */
    int pendingSlotCount() const;
    int listedHeaderCount() const;

private:
    friend void CALLBACK midiOutCallback(HMIDIOUT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

    HMIDIOUT outHandle() const { return static_cast<HMIDIOUT>(getHandle()); }
    void onHeaderDone(HMIDIOUT handle, MIDIHDR* record);
    /** Stores header in the first free slot of pendingHeaders. Under headerLock. */
    void listHeader(TMidiOutHdr* header);
    /** Deletes the listed headers, after 200 ms of grace when any is left. */
    void dropPendingHeaders();

    std::atomic<int32_t> m_pendingCount{0};
    std::atomic<bool> m_closedBySystem{false};
    BList<TMidiOutHdr*> m_pendingHeaders;
    mutable BLock m_headerLock;
};

} // namespace Tr
