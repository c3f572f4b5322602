// Tr::BLock and Tr::BAutoLock.
#include "BLock.h"
#include "Millis.h"

#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

namespace {

/** A thread that takes the lock and notes when it has it. */
class Contender
{
public:
    explicit Contender(Tr::BLock& lock)
        : thread_([this, &lock] {
              Tr::BAutoLock hold(&lock);
              got_ = true;
          })
    {
    }
    ~Contender() { thread_.join(); }

    bool got() const { return got_; }
    bool waitUntilGot()
    {
        return TestSupport::waitFor([this] { return got_.load(); });
    }

private:
    std::atomic<bool> got_{false};
    std::thread thread_;
};

} // namespace

TEST(BLock, IsReentrantOnOneThreadAndBlocksOthersUntilEveryLockIsUndone)
{
    Tr::BLock lock;
    lock.lock();
    lock.lock();
    Contender other(lock);
    Tr::sleepMs(30);
    EXPECT_FALSE(other.got());
    lock.unlock();
    Tr::sleepMs(30);
    EXPECT_FALSE(other.got()) << "each lock needs its own unlock";
    lock.unlock();
    EXPECT_TRUE(other.waitUntilGot());
}

TEST(BAutoLock, ReleasesOnEveryWayOutIncludingExceptions)
{
    Tr::BLock lock;
    try
    {
        Tr::BAutoLock hold(&lock);
        throw std::runtime_error("leaving");
    }
    catch (const std::runtime_error&)
    {
    }
    Contender other(lock);
    EXPECT_TRUE(other.waitUntilGot());
}

TEST(BAutoLock, WithANullLockDoesNothing)
{
    Tr::BAutoLock hold(nullptr);
    SUCCEED();
}
