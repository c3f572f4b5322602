#include "midi/MidiCallbackDispatcher.h"

#include <algorithm>

namespace PlatformMidi
{
MidiCallbackDispatcher& MidiCallbackDispatcher::instance()
{
    // Never destroyed: handles may still be closed while the process exits.
    static MidiCallbackDispatcher* dispatcher = new MidiCallbackDispatcher();
    return *dispatcher;
}

MidiCallbackDispatcher::MidiCallbackDispatcher()
{
    std::thread thread([this] { run(); });
    std::lock_guard<std::mutex> hold(mutex_);
    threadId_ = thread.get_id();
    thread.detach();
}

void MidiCallbackDispatcher::post(const std::shared_ptr<MidiHandle>& handle, UINT message, DWORD_PTR param1,
                                  DWORD_PTR param2)
{
    std::lock_guard<std::mutex> hold(mutex_);
    ++handle->raised_;
    queue_.push_back({handle, message, param1, param2});
    queued_.notify_one();
}

void MidiCallbackDispatcher::flush(MidiHandle& handle)
{
    if (!onCallbackThread())
    {
        std::unique_lock<std::mutex> hold(mutex_);
        const uint64_t target = handle.raised_;
        delivered_.wait(hold, [&] { return handle.delivered_ >= target; });
        return;
    }
    for (;;)
    {
        Callback callback;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            auto next = std::find_if(queue_.begin(), queue_.end(),
                                     [&](const Callback& queued) { return queued.handle.get() == &handle; });
            if (next == queue_.end())
                return;
            callback = std::move(*next);
            queue_.erase(next);
        }
        deliver(callback);
    }
}

bool MidiCallbackDispatcher::onCallbackThread() const
{
    return std::this_thread::get_id() == threadId_;
}

void MidiCallbackDispatcher::run()
{
    for (;;)
    {
        // The callback (and the handle it holds) goes after the lock is
        // released: the last reference to a handle may end a backend.
        Callback callback;
        {
            std::unique_lock<std::mutex> hold(mutex_);
            queued_.wait(hold, [this] { return !queue_.empty(); });
            callback = std::move(queue_.front());
            queue_.pop_front();
        }
        deliver(callback);
    }
}

void MidiCallbackDispatcher::deliver(const Callback& callback)
{
    callback.handle->deliver(callback.message, callback.param1, callback.param2);
    std::lock_guard<std::mutex> hold(mutex_);
    ++callback.handle->delivered_;
    delivered_.notify_all();
}
} // namespace PlatformMidi
