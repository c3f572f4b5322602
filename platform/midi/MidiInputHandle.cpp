#include "midi/MidiInputHandle.h"

#include "threads/PlatformThreads.h"

#include <algorithm>
#include <cstring>

namespace PlatformMidi
{
MidiInputHandle::MidiInputHandle(UINT deviceId, DWORD_PTR callback, DWORD_PTR instance,
                                 std::shared_ptr<MidiBackend> backend)
    : MidiHandle(DeviceKind::input, deviceId, callback, instance), backend_(std::move(backend))
{
}

void MidiInputHandle::attach(std::shared_ptr<InputConnection> connection)
{
    std::lock_guard<std::mutex> hold(mutex_);
    connection_ = std::move(connection);
    raiseOpen();
}

std::shared_ptr<InputConnection> MidiInputHandle::connection()
{
    std::lock_guard<std::mutex> hold(mutex_);
    return connection_;
}

MMRESULT MidiInputHandle::addBuffer(MIDIHDR* header)
{
    // The connection is asked outside the lock: a backend may be feeding
    // bytes, which take the lock, at the same moment.
    if (std::shared_ptr<InputConnection> open = connection())
        if (const MMRESULT refusal = open->acceptBuffer())
            return refusal;
    std::lock_guard<std::mutex> hold(mutex_);
    if (state_ == State::closing || state_ == State::closed)
        return MMSYSERR_INVALHANDLE;
    if ((header->dwFlags & MHDR_PREPARED) == 0)
        return MIDIERR_UNPREPARED;
    if (holds(header))
        return MIDIERR_STILLPLAYING;
    if (header->lpData == nullptr || header->dwBufferLength == 0)
        return MMSYSERR_INVALPARAM;
    header->dwFlags = (header->dwFlags | MHDR_INQUEUE) & ~MHDR_DONE;
    header->dwBytesRecorded = 0;
    queue_.push_back(header);
    return MMSYSERR_NOERROR;
}

MMRESULT MidiInputHandle::start()
{
    if (std::shared_ptr<InputConnection> open = connection())
        if (const MMRESULT refusal = open->start())
            return refusal;
    std::lock_guard<std::mutex> hold(mutex_);
    if (state_ == State::gone)
        return MIDIERR_NODEVICE;
    if (state_ != State::open)
        return MMSYSERR_INVALHANDLE;
    if (!started_)
    {
        parser_.reset(*this);
        started_ = true;
        startTime_ = timeGetTime();
    }
    return MMSYSERR_NOERROR;
}

MMRESULT MidiInputHandle::stop()
{
    std::lock_guard<std::mutex> hold(mutex_);
    if (state_ == State::closing || state_ == State::closed)
        return MMSYSERR_INVALHANDLE;
    parser_.reset(*this);
    started_ = false;
    return MMSYSERR_NOERROR;
}

MMRESULT MidiInputHandle::reset()
{
    if (std::shared_ptr<InputConnection> open = connection())
        open->reset();
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (state_ == State::closing || state_ == State::closed)
            return MMSYSERR_INVALHANDLE;
        started_ = false;
        parser_.reset(*this);
        returnAll();
    }
    flushCallbacks();
    return MMSYSERR_NOERROR;
}

MMRESULT MidiInputHandle::close()
{
    std::shared_ptr<InputConnection> connection;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (state_ == State::closing || state_ == State::closed)
            return MMSYSERR_INVALHANDLE;
        state_ = State::closing;
        started_ = false;
        connection = std::move(connection_);
    }
    if (connection != nullptr)
        connection->close();
    {
        std::lock_guard<std::mutex> hold(mutex_);
        parser_.reset(*this);
        returnAll();
        raiseCloseOnce();
        state_ = State::closed;
    }
    flushCallbacks();
    return MMSYSERR_NOERROR;
}

void MidiInputHandle::bytesReceived(const BYTE* bytes, size_t length)
{
    std::lock_guard<std::mutex> hold(mutex_);
    if (state_ == State::open && started_)
        parser_.feed(bytes, length, *this);
}

void MidiInputHandle::deviceGone()
{
    std::lock_guard<std::mutex> hold(mutex_);
    if (state_ != State::open)
        return;
    state_ = State::gone;
    started_ = false;
    parser_.reset(*this);
    raiseCloseOnce();
}

void MidiInputHandle::shortMessage(DWORD packed)
{
    raise(MIM_DATA, packed, timeStamp());
}

void MidiInputHandle::sysexBytes(const BYTE* bytes, size_t length)
{
    while (length > 0 && !queue_.empty())
    {
        MIDIHDR* header = queue_.front();
        const size_t room = header->dwBufferLength - filled_;
        const size_t piece = std::min(room, length);
        std::memcpy(header->lpData + filled_, bytes, piece);
        filled_ += static_cast<DWORD>(piece);
        bytes += piece;
        length -= piece;
        if (filled_ == header->dwBufferLength)
            returnFirst(MIM_LONGDATA);
    }
}

void MidiInputHandle::sysexEnd(bool complete)
{
    if (filled_ > 0 && !queue_.empty())
        returnFirst(complete ? MIM_LONGDATA : MIM_LONGERROR);
}

DWORD MidiInputHandle::timeStamp() const
{
    return timeGetTime() - startTime_;
}

void MidiInputHandle::returnFirst(UINT message)
{
    MIDIHDR* header = queue_.front();
    queue_.pop_front();
    header->dwBytesRecorded = filled_;
    header->dwFlags = (header->dwFlags | MHDR_DONE) & ~MHDR_INQUEUE;
    filled_ = 0;
    raise(message, reinterpret_cast<DWORD_PTR>(header), timeStamp());
}

void MidiInputHandle::returnAll()
{
    while (!queue_.empty())
        returnFirst(MIM_LONGDATA);
}

bool MidiInputHandle::holds(const MIDIHDR* header) const
{
    return std::find(queue_.begin(), queue_.end(), header) != queue_.end();
}
} // namespace PlatformMidi
