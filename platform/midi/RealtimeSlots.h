// Hands objects to a realtime thread and takes them back safely.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace PlatformMidi
{
/**
    A fixed table of pointers that a realtime thread reads each cycle without
    locking or waiting, while other threads add and take out entries. The
    realtime thread brackets each cycle with beginCycle() / endCycle(cycle);
    retire() returns only once no cycle can still be using the entry, so the
    caller may then free it. Adding and retiring are serialised by the
    caller (one lock on the non-realtime side).
*/
template <typename T, size_t N>
class RealtimeSlots
{
public:
    static constexpr size_t kSize = N;

    /** Puts item into a free slot; false when the table is full. */
    bool publish(T* item)
    {
        for (std::atomic<T*>& slot : slots_)
            if (slot.load() == nullptr)
            {
                slot.store(item);
                return true;
            }
        return false;
    }

    /** Takes item out and waits until the cycle that may have seen it has
        ended. A cycle that stays unfinished for maxWait (the realtime thread
        died with its server) is taken as over. */
    void retire(T* item, std::chrono::milliseconds maxWait = std::chrono::milliseconds(2000))
    {
        for (std::atomic<T*>& slot : slots_)
            if (slot.load() == item)
                slot.store(nullptr);
        waitForCycle(maxWait);
    }

    /** Returns once the cycle under way (if any) has ended, or after maxWait. */
    void waitForCycle(std::chrono::milliseconds maxWait = std::chrono::milliseconds(2000))
    {
        const uint64_t running = running_.load();
        if (running == 0)
            return;
        const auto limit = std::chrono::steady_clock::now() + maxWait;
        while (running_.load() == running && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    /** After the realtime thread is known to be gone (its server went away):
        a cycle it left unfinished no longer counts, and its completions are
        due. Should that thread still end the cycle later, it changes nothing
        for the cycles of a thread that took its place. */
    void forgetUnfinishedCycle()
    {
        running_.store(0);
        raiseEnded(begun_.load());
    }

    // Realtime side.
    /** Starts a cycle; answers its number (from 1), which endCycle takes. */
    uint64_t beginCycle()
    {
        const uint64_t cycle = begun_.fetch_add(1) + 1;
        running_.store(cycle);
        return cycle;
    }
    /** Ends the cycle. Its last touch of the table is the one a waiter sees
        (the cycle is no longer under way), so the waiter may free it then. */
    void endCycle(uint64_t cycle)
    {
        raiseEnded(cycle);
        uint64_t expected = cycle;
        running_.compare_exchange_strong(expected, 0);
    }
    T* at(size_t index) const { return slots_[index].load(); }

    /** The number of the last cycle that has ended (cycles end in order). */
    uint64_t cyclesEnded() const { return ended_.load(); }

private:
    void raiseEnded(uint64_t cycle)
    {
        uint64_t ended = ended_.load();
        while (ended < cycle && !ended_.compare_exchange_weak(ended, cycle))
        {
        }
    }

    std::array<std::atomic<T*>, N> slots_{};
    std::atomic<uint64_t> begun_{0};
    std::atomic<uint64_t> running_{0}; // the cycle under way, 0 between cycles
    std::atomic<uint64_t> ended_{0};
};
} // namespace PlatformMidi
