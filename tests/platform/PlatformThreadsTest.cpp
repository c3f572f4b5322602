// Threads, events, critical sections and the clock of the platform layer.
#include "threads/PlatformThreads.h"

#include "support/Sanitizers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

DWORD elapsedSince(DWORD start)
{
    return timeGetTime() - start;
}

struct ThreadRecord
{
    std::atomic<DWORD> idSeen{0};
    std::atomic<int> unwound{0};
    std::atomic<bool> finish{false};
};

DWORD WINAPI recordId(LPVOID parameter)
{
    static_cast<ThreadRecord*>(parameter)->idSeen = GetCurrentThreadId();
    return 0;
}

/** Sleeps until told to finish; counts its unwinding. */
DWORD WINAPI sleepUntilFinished(LPVOID parameter)
{
    auto* record = static_cast<ThreadRecord*>(parameter);
    struct CountUnwind
    {
        std::atomic<int>& count;
        ~CountUnwind() { ++count; }
    } guard{record->unwound};
    while (!record->finish)
        Sleep(1);
    return 0;
}

} // namespace

TEST(PlatformThreads, CreateThreadRunsTheProcedureAndSignalsTheHandleWhenItEnds)
{
    ThreadRecord record;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, &recordId, &record, 0, &id);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(record.idSeen.load(), id);
    // A thread not made by CreateThread gets an id of its own on first asking,
    // and keeps it.
    const DWORD mine = GetCurrentThreadId();
    DWORD another = 0;
    std::thread([&another] { another = GetCurrentThreadId(); }).join();
    EXPECT_NE(mine, 0u);
    EXPECT_NE(mine, id);
    EXPECT_NE(another, mine);
    EXPECT_NE(another, id);
    EXPECT_EQ(GetCurrentThreadId(), mine);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_FALSE(CloseHandle(thread)) << "a closed handle is refused";
}

TEST(PlatformThreads, WaitOnARunningThreadTimesOutWith258)
{
    ThreadRecord record;
    HANDLE thread = CreateThread(nullptr, 0, &sleepUntilFinished, &record, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(WaitForSingleObject(thread, 10), WAIT_TIMEOUT);
    record.finish = true;
    EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(record.unwound.load(), 1);
    CloseHandle(thread);
}

TEST(PlatformThreads, TerminateThreadCancelsASleepingThreadAndUnwindsItsStack)
{
    if (TestSupport::kCancellationUnmodelled)
        GTEST_SKIP() << "the sanitizer of this build does not model thread cancellation";
    ThreadRecord record;
    HANDLE thread = CreateThread(nullptr, 0, &sleepUntilFinished, &record, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    Sleep(5);
    EXPECT_TRUE(TerminateThread(thread, 0));
    EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(record.unwound.load(), 1) << "the forced unwind runs the destructors of the thread's frames";
    EXPECT_FALSE(TerminateThread(thread, 0)) << "an ended thread cannot be terminated again";
    CloseHandle(thread);
}

TEST(PlatformThreads, AutoResetEventReleasesOneWaitPerSet)
{
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    const DWORD start = timeGetTime();
    EXPECT_EQ(WaitForSingleObject(event, 10), WAIT_TIMEOUT);
    EXPECT_GE(elapsedSince(start), 9u);

    EXPECT_TRUE(SetEvent(event));
    EXPECT_TRUE(SetEvent(event)) << "setting a set event keeps one release";
    EXPECT_EQ(WaitForSingleObject(event, 10), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(event, 10), WAIT_TIMEOUT);

    std::thread setter([event] {
        Sleep(20);
        SetEvent(event);
    });
    EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
    setter.join();
    CloseHandle(event);
    EXPECT_FALSE(SetEvent(event));
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_FAILED);
}

TEST(PlatformThreads, CriticalSectionIsReentrantAndExcludesOtherThreads)
{
    CRITICAL_SECTION section{};
    InitializeCriticalSection(&section);
    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    auto otherThreadGetsIt = [&section] {
        bool got = false;
        std::thread other([&] {
            got = TryEnterCriticalSection(&section) != FALSE;
            if (got)
                LeaveCriticalSection(&section);
        });
        other.join();
        return got;
    };
    EXPECT_FALSE(otherThreadGetsIt());
    LeaveCriticalSection(&section);
    EXPECT_FALSE(otherThreadGetsIt()) << "each enter needs its own leave";
    LeaveCriticalSection(&section);
    EXPECT_TRUE(otherThreadGetsIt());
    DeleteCriticalSection(&section);
}

TEST(PlatformThreads, InterlockedExchangeStoresAndAnswersThePreviousValue)
{
    volatile LONG value = 5;
    EXPECT_EQ(InterlockedExchange(&value, -7), 5);
    EXPECT_EQ(value, -7);
}

TEST(PlatformThreads, ClockAdvancesWithSleepInMilliseconds)
{
    EXPECT_EQ(timeBeginPeriod(1), TIMERR_NOERROR);
    const DWORD start = timeGetTime();
    Sleep(30);
    const DWORD elapsed = elapsedSince(start);
    EXPECT_GE(elapsed, 29u);
    EXPECT_LT(elapsed, 5000u);
}
