// An open output of the multimedia MIDI front.
#pragma once

#include "midi/MidiHandle.h"

#include <mutex>
#include <string>
#include <vector>

namespace PlatformMidi
{
/**
    One open MIDI output: keeps the long-message headers its backend
    connection holds and settles every rule about them. A header is
    listed from the moment it is handed to the backend until its MOM_DONE
    is raised (sent, device gone or handle closed); one the backend refuses
    is taken off the list unreturned, since the caller keeps it. The device
    going away while a header is being handed over returns that header
    only once the backend has taken it. The device
    going away raises MOM_CLOSE once; the close raises MOM_DONE for every
    header still listed, then MOM_CLOSE if the device did not, and returns
    after those callbacks ran. Flags of the headers are only changed under
    the handle's lock; the backend is never called under it.
*/
class MidiOutputHandle final : public MidiHandle, public OutputClient
{
public:
    MidiOutputHandle(UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, std::shared_ptr<MidiBackend> backend);

    /** Takes the backend's connection after a successful open (or one that
        failed but handed a connection back) and raises MOM_OPEN, then
        MOM_CLOSE if the device went away during the open. */
    void attach(std::shared_ptr<OutputConnection> connection);

    MMRESULT shortMessage(DWORD packed, std::string& detail);
    MMRESULT longMessage(MIDIHDR* header, std::string& detail);
    /** Everything of midiOutClose but taking the handle off the table. */
    MMRESULT close();

    void longMessageDone(uint64_t token) override;
    void deviceGone() override;
    void flushCallbacks() override { MidiHandle::flushCallbacks(); }

private:
    struct Pending
    {
        MIDIHDR* header;
        uint64_t token;
        bool handingOver; ///< the backend has not answered yet
    };

    /** Takes a listed header back and raises its MOM_DONE (lock held). */
    void returnHeader(Pending pending);
    /** After the device went: MOM_CLOSE once no header is being handed over
        any more, so that it follows every MOM_DONE (lock held). */
    void raiseCloseWhenSettled();
    bool holds(const MIDIHDR* header) const override;

    const std::shared_ptr<MidiBackend> backend_;
    std::shared_ptr<OutputConnection> connection_;
    std::vector<Pending> pending_;
    uint64_t nextToken_ = 0;
};
} // namespace PlatformMidi
