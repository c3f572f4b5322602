// Tr::BEvent.
#include "BEvent.h"
#include "Millis.h"

#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

TEST(BEvent, WaitOfZeroOrLessWaitsWithoutLimitUntilTheEventIsSet)
{
    for (int ms : {0, -1})
    {
        Tr::BEvent event;
        std::thread setter([&event] {
            Tr::sleepMs(60);
            event.set();
        });
        const DWORD start = Tr::getMillis();
        EXPECT_EQ(event.wait(ms), 0u) << "wait(" << ms << ")";
        EXPECT_GE(Tr::getMillis() - start, 50u) << "wait(" << ms << ") returned before the set";
        setter.join();
    }
}

TEST(BEvent, WaitWithALimitAnswers258WhenTheEventIsNotSetInTime)
{
    Tr::BEvent event;
    const DWORD start = Tr::getMillis();
    EXPECT_EQ(event.wait(10), 258u);
    EXPECT_GE(Tr::getMillis() - start, 9u);
}

TEST(BEvent, OneSetReleasesExactlyOneWait)
{
    Tr::BEvent event;
    event.set();
    EXPECT_EQ(event.wait(10), 0u);
    EXPECT_EQ(event.wait(10), 258u) << "the event resets itself";

    std::atomic<int> released{0};
    auto waiter = [&] {
        event.wait(0);
        ++released;
    };
    std::thread first(waiter);
    std::thread second(waiter);
    Tr::sleepMs(30);
    event.set();
    EXPECT_TRUE(TestSupport::waitFor([&] { return released > 0; }));
    Tr::sleepMs(50);
    EXPECT_EQ(released.load(), 1);
    event.set();
    first.join();
    second.join();
    EXPECT_EQ(released.load(), 2);
}
