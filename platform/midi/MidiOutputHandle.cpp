#include "midi/MidiOutputHandle.h"

#include "midi/MidiInputParser.h"

#include <algorithm>

namespace PlatformMidi
{
MidiOutputHandle::MidiOutputHandle(UINT deviceId, DWORD_PTR callback, DWORD_PTR instance,
                                   std::shared_ptr<MidiBackend> backend)
    : MidiHandle(DeviceKind::output, deviceId, callback, instance), backend_(std::move(backend))
{
}

void MidiOutputHandle::attach(std::shared_ptr<OutputConnection> connection)
{
    std::lock_guard<std::mutex> hold(mutex_);
    connection_ = std::move(connection);
    raiseOpen();
}

MMRESULT MidiOutputHandle::shortMessage(DWORD packed, std::string& detail)
{
    const BYTE bytes[3] = {static_cast<BYTE>(packed), static_cast<BYTE>(packed >> 8),
                           static_cast<BYTE>(packed >> 16)};
    const size_t length = MidiInputParser::messageLength(bytes[0]);
    if (length == 0)
        return MMSYSERR_INVALPARAM;
    std::shared_ptr<OutputConnection> connection;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (state_ == State::gone)
            return MIDIERR_NODEVICE;
        if (state_ != State::open || connection_ == nullptr)
            return MMSYSERR_INVALHANDLE;
        connection = connection_;
    }
    return connection->sendShort(bytes, length, detail);
}

MMRESULT MidiOutputHandle::longMessage(MIDIHDR* header, std::string& detail)
{
    std::shared_ptr<OutputConnection> connection;
    uint64_t token = 0;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (state_ == State::gone)
            return MIDIERR_NODEVICE;
        if (state_ != State::open || connection_ == nullptr)
            return MMSYSERR_INVALHANDLE;
        if ((header->dwFlags & MHDR_PREPARED) == 0)
            return MIDIERR_UNPREPARED;
        if (holds(header))
            return MIDIERR_STILLPLAYING;
        if (header->lpData == nullptr || header->dwBufferLength == 0)
            return MMSYSERR_INVALPARAM;
        token = ++nextToken_;
        pending_.push_back({header, token, true});
        header->dwFlags = (header->dwFlags | MHDR_INQUEUE) & ~MHDR_DONE;
        connection = connection_;
    }
    const MMRESULT code = connection->sendLong(reinterpret_cast<const BYTE*>(header->lpData),
                                               header->dwBufferLength, token, detail);
    std::lock_guard<std::mutex> hold(mutex_);
    auto found = std::find_if(pending_.begin(), pending_.end(),
                              [&](const Pending& pending) { return pending.token == token; });
    MMRESULT result = code;
    if (found == pending_.end())
    {
        result = MMSYSERR_NOERROR; // already returned (MOM_DONE): the callback has it now
    }
    else if (code != MMSYSERR_NOERROR)
    {
        header->dwFlags &= ~MHDR_INQUEUE;
        pending_.erase(found);
    }
    else
    {
        found->handingOver = false;
        if (state_ == State::gone)
            returnHeader(*found); // the device went while the backend took it
    }
    if (state_ == State::gone)
        raiseCloseWhenSettled();
    return result;
}

MMRESULT MidiOutputHandle::close()
{
    std::shared_ptr<OutputConnection> connection;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (state_ == State::closing || state_ == State::closed)
            return MMSYSERR_INVALHANDLE;
        state_ = State::closing;
        connection = std::move(connection_);
    }
    if (connection != nullptr)
        connection->close();
    {
        std::lock_guard<std::mutex> hold(mutex_);
        for (const Pending& pending : std::vector<Pending>(pending_))
            returnHeader(pending);
        raiseCloseOnce();
        state_ = State::closed;
    }
    flushCallbacks();
    return MMSYSERR_NOERROR;
}

void MidiOutputHandle::longMessageDone(uint64_t token)
{
    std::lock_guard<std::mutex> hold(mutex_);
    auto found = std::find_if(pending_.begin(), pending_.end(),
                              [&](const Pending& pending) { return pending.token == token; });
    if (found != pending_.end())
        returnHeader(*found);
}

void MidiOutputHandle::deviceGone()
{
    std::lock_guard<std::mutex> hold(mutex_);
    if (state_ != State::open)
        return;
    state_ = State::gone;
    // A header being handed over is settled by longMessage: the caller
    // keeps a refused one, which must never see a MOM_DONE.
    for (const Pending& pending : std::vector<Pending>(pending_))
        if (!pending.handingOver)
            returnHeader(pending);
    raiseCloseWhenSettled();
}

void MidiOutputHandle::raiseCloseWhenSettled()
{
    if (std::none_of(pending_.begin(), pending_.end(), [](const Pending& pending) { return pending.handingOver; }))
        raiseCloseOnce();
}

void MidiOutputHandle::returnHeader(Pending pending)
{
    MIDIHDR* header = pending.header;
    pending_.erase(std::find_if(pending_.begin(), pending_.end(),
                                [&](const Pending& listed) { return listed.token == pending.token; }));
    header->dwFlags = (header->dwFlags | MHDR_DONE) & ~MHDR_INQUEUE;
    raise(MOM_DONE, reinterpret_cast<DWORD_PTR>(header), 0);
}

bool MidiOutputHandle::holds(const MIDIHDR* header) const
{
    return std::any_of(pending_.begin(), pending_.end(),
                       [&](const Pending& pending) { return pending.header == header; });
}
} // namespace PlatformMidi
