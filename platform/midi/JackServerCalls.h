// The calls of the JACK backend that wait for the server's answer on the way
// out, each waited for a while at most.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace PlatformMidi
{
/**
    Runs the calls into libjack of one client that wait for the server's
    answer on the way out (a port's disconnect, the client's close) so that a
    server that no longer answers (stopped, hung) holds the caller for a
    while at most. Each call runs on a thread of this object's own, which the
    caller waits for at most the bound and joins when the call was answered:
    a server that answers costs no wait and leaves no thread behind.

    A call that is not answered within the bound goes on by itself, and so
    does its thread. Until it is answered, every later call waits its turn
    behind it on that thread, in order, while its caller is answered at once
    that the call is not done (libjack's requests of one client are never
    sent side by side), and unanswered() tells the owner not to make calls
    of its own into the server meanwhile. A call therefore keeps alive by
    itself what it uses. Calls come one at a time (under the owner's lock).
*/
class JackServerCalls
{
public:
    explicit JackServerCalls(std::chrono::milliseconds answeredWithin);
    /** Joins the thread, or leaves it to end by itself when a call on it is
        not answered yet. */
    ~JackServerCalls();
    JackServerCalls(const JackServerCalls&) = delete;
    JackServerCalls& operator=(const JackServerCalls&) = delete;

    /** Runs call; answers whether it was answered within the bound. */
    bool run(std::function<void()> call);

    /** Whether a call made so far is not answered yet. */
    bool unanswered() const;

private:
    struct State;
    static void serve(State& state);

    const std::chrono::milliseconds answeredWithin_;
    const std::shared_ptr<State> state_;
    std::thread thread_;
};
} // namespace PlatformMidi
