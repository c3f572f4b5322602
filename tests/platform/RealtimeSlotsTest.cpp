// The table that hands objects to the realtime thread: when a retire may
// return (the entry can be freed), and which cycles count as ended, also
// after a server loss whose realtime thread still ends its last cycle.
#include "midi/RealtimeSlots.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

using namespace std::chrono_literals;

namespace
{
using Slots = PlatformMidi::RealtimeSlots<int, 4>;

/** Retires item on another thread; the future is ready once retire returned. */
std::future<void> retireElsewhere(Slots& slots, int* item, std::chrono::milliseconds maxWait = 5000ms)
{
    return std::async(std::launch::async, [&slots, item, maxWait] { slots.retire(item, maxWait); });
}

bool returns(std::future<void>& retiring, std::chrono::milliseconds within)
{
    return retiring.wait_for(within) == std::future_status::ready;
}
} // namespace

TEST(RealtimeSlots, ARetireReturnsOnlyOnceTheCycleThatMaySeeTheEntryHasEnded)
{
    Slots slots;
    int a = 1;
    int b = 2;
    ASSERT_TRUE(slots.publish(&a));
    ASSERT_TRUE(slots.publish(&b));

    // Between cycles: at once, and the entry is out.
    auto idle = retireElsewhere(slots, &a);
    EXPECT_TRUE(returns(idle, 1000ms));
    EXPECT_EQ(slots.at(0), nullptr);
    EXPECT_EQ(slots.at(1), &b);

    // During a cycle: not before its end.
    const uint64_t cycle = slots.beginCycle();
    auto busy = retireElsewhere(slots, &b);
    EXPECT_FALSE(returns(busy, 100ms));
    slots.endCycle(cycle);
    EXPECT_TRUE(returns(busy, 1000ms));
    EXPECT_EQ(slots.cyclesEnded(), cycle);

    // A cycle that never ends (its thread died) is taken as over after the wait.
    int c = 3;
    ASSERT_TRUE(slots.publish(&c));
    slots.beginCycle();
    auto stuck = retireElsewhere(slots, &c, 50ms);
    EXPECT_TRUE(returns(stuck, 2000ms));
}

TEST(RealtimeSlots, TheLastCycleOfALostServerEndingLateDoesNotHideTheCyclesOfTheNextOne)
{
    Slots slots;
    const uint64_t lost = slots.beginCycle(); // the old client's thread, mid-cycle
    slots.forgetUnfinishedCycle();            // the server went away
    EXPECT_EQ(slots.cyclesEnded(), lost) << "the abandoned cycle's completions are due";

    int port = 1;
    ASSERT_TRUE(slots.publish(&port));
    const uint64_t next = slots.beginCycle(); // the new client's thread
    slots.endCycle(lost);                     // the old thread ends its cycle after all
    EXPECT_EQ(slots.cyclesEnded(), lost);

    auto retiring = retireElsewhere(slots, &port);
    EXPECT_FALSE(returns(retiring, 100ms)) << "the new client's cycle may still be using the port";
    slots.endCycle(next);
    EXPECT_TRUE(returns(retiring, 1000ms));
    EXPECT_EQ(slots.cyclesEnded(), next);
}
