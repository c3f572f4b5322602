// Tr::TMidiInputWin: a MIDI input port of the multimedia (MME) driver.
#pragma once

#include "BList.h"
#include "TMidiHdrBase.h"
#include "TMidiInputBase.h"

#include "midi/PlatformMidi.h"

#include <atomic>

namespace Tr {

/** The system's calls for an input port (CALLBACK_FUNCTION with status
    messages); instance is the port. Runs on the multimedia callback thread,
    takes no lock and allocates nothing. */
void CALLBACK midiInCallback(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);

/** An MME input port. Opening gives the system bufferCount SysEx buffers of
    bufferSize bytes; once started, every short message and every filled
    buffer goes to the data listener on the callback thread, and each buffer
    goes back to the system for the next SysEx. Active sensing and clock are
    dropped when their pass flags are off. A system close message (the
    device went away), like the start of closeHandle, makes the callback
    ignore everything from then on. */
class TMidiInputWin : public TMidiInputBase
{
public:
    static constexpr int kBufferSize = 1024;
    static constexpr int kBufferCount = 16;

    explicit TMidiInputWin(const MidiDeviceDescriptor* descriptor);
    /** Closes the port. */
    ~TMidiInputWin() override;

    void checkClosed() override;
    /** Starts an open port; a refusal throws Tr::EMidiError with the system's text. */
    void start() override;
    void stop() override;
    bool isStarted() const override { return m_started.load(); }

    /** Whether the system reported the port closed, or a close has begun. */
    bool isClosing() const { return m_closing.load(); }

protected:
    void openHandle() override;
    bool closeHandle(void* handle) override;

private:
    friend void CALLBACK midiInCallback(HMIDIIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

    HMIDIIN inHandle() const { return static_cast<HMIDIIN>(getHandle()); }
    void onShortMessage(DWORD_PTR packed, DWORD_PTR timeStamp);
    void onBufferDone(HMIDIIN handle, MIDIHDR* record, DWORD_PTR timeStamp);
    /** Gives the system fresh buffers for handle. */
    void allocateBuffers(HMIDIIN handle);
    void freeBuffers();

    std::atomic<bool> m_started{false};
    std::atomic<bool> m_closing{false};
    int m_bufferSize = kBufferSize;
    int m_bufferCount = kBufferCount;
    BList<TMidiInHdr*> m_buffers;
};

} // namespace Tr
