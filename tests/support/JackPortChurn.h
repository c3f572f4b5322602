// A JACK port that comes and goes: a thread takes the only port of a JackPeer
// away (with the peer's client) and registers it again, many times, in a pattern of steps, bursts and quiet
// spells, while the test sends to the port and watches what follows it.
#pragma once

#include "JackTestSupport.h"

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>

namespace TestSupport
{
/** The shape of a churn (counted in cycles: one removal and one
    registration of the port). */
struct PortChurnPattern
{
    int cycles = 1000;
    /** The last burstLength cycles of every burstPeriod go without pauses. */
    int burstPeriod = 50;
    int burstLength = 10;
    /** After the last cycle of every spellPeriod comes a quiet spell of
        3.5-4 s, with the port away when the cycle's number modulo
        awayPeriod is spellPeriod - 1, else with the port there. */
    int spellPeriod = 100;
    int awayPeriod = 300;
    /** Whether spells with the port away also last until served. */
    bool holdAwaySpells = false;
    /** How long a spell waits for served beyond its 3.5-4 s. */
    int holdLimitMs = 20000;
};

/**
    Takes the peer's only port away (see removeLastPortWithClient) and
    registers it again on a thread of its own, as the pattern says: each step after 10-25 ms (a cycle every
    20-50 ms), bursts of steps of 0-2 ms, and quiet spells, long enough for a
    rescan (which comes 2 s after the last device change of any client of the
    server). A spell with the port there goes on until the test says it was
    served (it saw what it waited for: a send that reached the port, the
    chooser showing the port), so that the port also comes back between two
    rescans; with holdAwaySpells, one with the port away does too. Leaves the
    port registered.
*/
class PortChurn
{
public:
    PortChurn(JackPeer& peer, std::string port, const PortChurnPattern& pattern = {})
        : peer_(peer), port_(std::move(port)), pattern_(pattern), thread_([this] { run(); })
    {
    }
    ~PortChurn()
    {
        stop_.store(true);
        thread_.join();
    }
    PortChurn(const PortChurn&) = delete;
    PortChurn& operator=(const PortChurn&) = delete;

    bool done() const { return done_.load(); }
    int cycles() const { return cycles_.load(); }
    int failures() const { return failures_.load(); }
    /** The number (from 1) of the quiet spell that runs now, else 0. */
    int spell() const { return spell_.load(); }
    /** Whether the port is there in the spell that runs now. */
    bool spellHasPort() const { return spellHasPort_.load(); }
    /** The number of the quiet spell with the port there that runs now, else 0. */
    int presentSpell() const { return spellHasPort() ? spell() : 0; }
    /** How many quiet spells with the port there have begun. */
    int presentSpells() const { return presentSpells_.load(); }
    /** How many quiet spells with the port away have begun. */
    int awaySpells() const { return awaySpells_.load(); }
    /** The test saw in the spell of that number what it waited for. */
    void served(int spell) { servedSpell_.store(spell); }

private:
    void run()
    {
        std::mt19937 random(16);
        std::uniform_int_distribution<int> step(10, 25), burstStep(0, 2), quiet(3500, 4000);
        const PortChurnPattern& p = pattern_;
        for (int cycle = 0; cycle < p.cycles && !stop_.load(); ++cycle)
        {
            const bool burst = cycle % p.burstPeriod >= p.burstPeriod - p.burstLength;
            const bool pause = cycle % p.spellPeriod == p.spellPeriod - 1;
            const bool awayInPause = pause && cycle % p.awayPeriod == p.spellPeriod - 1;
            if (!peer_.removeLastPortWithClient(port_))
                ++failures_;
            if (awayInPause)
                quietSpell(false, quiet(random));
            else
                sleep(burst ? burstStep(random) : step(random));
            if (peer_.addInput(port_).empty())
                ++failures_;
            if (pause && !awayInPause)
                quietSpell(true, quiet(random));
            else
                sleep(burst ? burstStep(random) : step(random));
            cycles_.store(cycle + 1);
        }
        done_.store(true);
    }

    static void sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    /** A quiet spell: at least ms, and, when it holds, on until the test has
        served it (at most holdLimitMs more). */
    void quietSpell(bool portThere, int ms)
    {
        const int number = spells_.fetch_add(1) + 1;
        (portThere ? presentSpells_ : awaySpells_).fetch_add(1);
        spellHasPort_.store(portThere);
        spell_.store(number);
        sleep(ms);
        if (portThere || pattern_.holdAwaySpells)
        {
            const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(pattern_.holdLimitMs);
            while (servedSpell_.load() < number && std::chrono::steady_clock::now() < limit && !stop_.load())
                sleep(10);
        }
        spell_.store(0);
    }

    JackPeer& peer_;
    const std::string port_;
    const PortChurnPattern pattern_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> cycles_{0};
    std::atomic<int> failures_{0};
    std::atomic<int> spell_{0};
    std::atomic<bool> spellHasPort_{false};
    std::atomic<int> spells_{0};
    std::atomic<int> presentSpells_{0};
    std::atomic<int> awaySpells_{0};
    std::atomic<int> servedSpell_{0};
    std::thread thread_;
};
} // namespace TestSupport
