#include "midi/JackServerCalls.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

namespace PlatformMidi
{
struct JackServerCalls::State
{
    std::mutex mutex;
    std::condition_variable answered;
    std::deque<std::function<void()>> waiting; // calls not run yet, in order
    bool serving = false;                      // the thread is running calls
    uint64_t made = 0;
    uint64_t done = 0;
};

JackServerCalls::JackServerCalls(std::chrono::milliseconds answeredWithin)
    : answeredWithin_(answeredWithin), state_(std::make_shared<State>())
{
}

JackServerCalls::~JackServerCalls()
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    if (!thread_.joinable())
        return;
    // Serving: a call is not answered yet (or what the last call kept alive
    // is let go on that very thread, which then ends this object).
    if (state_->serving)
        thread_.detach();
    else
        thread_.join(); // past its last use of the state
}

bool JackServerCalls::run(std::function<void()> call)
{
    std::unique_lock<std::mutex> lock(state_->mutex);
    const uint64_t mine = ++state_->made;
    state_->waiting.push_back(std::move(call));
    if (state_->serving)
        return false; // its turn comes once the server answers the call before it
    if (thread_.joinable())
        thread_.join(); // the thread of calls answered late, past its last use of the state
    state_->serving = true;
    thread_ = std::thread([state = state_] { serve(*state); });
    if (!state_->answered.wait_for(lock, answeredWithin_, [&] { return state_->done >= mine; }))
        return false;
    lock.unlock();
    thread_.join(); // nothing else is waiting: it ends now
    return true;
}

bool JackServerCalls::unanswered() const
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    return state_->done < state_->made;
}

void JackServerCalls::serve(State& state)
{
    std::unique_lock<std::mutex> lock(state.mutex);
    while (!state.waiting.empty())
    {
        std::function<void()> call = std::move(state.waiting.front());
        state.waiting.pop_front();
        lock.unlock();
        call();
        call = nullptr; // what it kept alive goes here, outside the lock
        lock.lock();
        ++state.done;
        state.answered.notify_all();
    }
    state.serving = false;
}
} // namespace PlatformMidi
