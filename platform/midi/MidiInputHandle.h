// An open input of the multimedia MIDI front.
#pragma once

#include "midi/MidiHandle.h"
#include "midi/MidiInputParser.h"

#include <deque>
#include <mutex>

namespace PlatformMidi
{
/**
    One open MIDI input: parses what its backend connection receives while
    the input is started, raises MIM_DATA for short messages (time stamp in
    milliseconds since midiInStart) and fills the queued buffers with SysEx
    bytes, continuing in the next buffer when one is full; each filled
    buffer, and the last one of a SysEx, comes back with MIM_LONGDATA (with
    MIM_LONGERROR when the SysEx was cut off). Data that finds no buffer is
    dropped. Reset and close return every queued buffer; the device going
    away raises MIM_CLOSE once.
*/
class MidiInputHandle final : public MidiHandle, public InputClient, private MidiInputParser::Sink
{
public:
    MidiInputHandle(UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, std::shared_ptr<MidiBackend> backend);

    void attach(std::shared_ptr<InputConnection> connection);

    MMRESULT addBuffer(MIDIHDR* header);
    MMRESULT start();
    MMRESULT stop();
    MMRESULT reset();
    MMRESULT close();

    void bytesReceived(const BYTE* bytes, size_t length) override;
    void deviceGone() override;

private:
    /** The backend's connection, null once closing began. */
    std::shared_ptr<InputConnection> connection();

    void shortMessage(DWORD packed) override;
    void sysexBytes(const BYTE* bytes, size_t length) override;
    void sysexEnd(bool complete) override;

    DWORD timeStamp() const;
    /** Hands the first queued buffer back (lock held). */
    void returnFirst(UINT message);
    void returnAll();
    bool holds(const MIDIHDR* header) const override;

    const std::shared_ptr<MidiBackend> backend_;
    bool started_ = false;
    DWORD startTime_ = 0;
    std::shared_ptr<InputConnection> connection_;
    MidiInputParser parser_;
    std::deque<MIDIHDR*> queue_;
    DWORD filled_ = 0; // bytes written into the first queued buffer
};
} // namespace PlatformMidi
