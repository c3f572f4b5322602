// Tr::BLock and Tr::BAutoLock: the library's re-entrant lock and its scoped holder.
#pragma once

#include "threads/PlatformThreads.h"

#include <memory>

namespace Tr {

/** A re-entrant mutual-exclusion lock around a platform critical section.
    The thread that holds it may lock it again; each lock needs its own unlock.
    Other threads block until it is free. */
class BLock
{
public:
    BLock();
    virtual ~BLock();
    BLock(const BLock&) = delete;
    BLock& operator=(const BLock&) = delete;

    void lock();
    void unlock();

private:
    std::unique_ptr<CRITICAL_SECTION> m_section; // its own zero-filled heap block
};

/** Holds a BLock for the lifetime of a scope and releases it on every way
    out, exceptions included. A null lock pointer makes it do nothing. */
class BAutoLock
{
public:
    explicit BAutoLock(BLock* lock);
    ~BAutoLock();
    BAutoLock(const BAutoLock&) = delete;
    BAutoLock& operator=(const BAutoLock&) = delete;

private:
    BLock* m_lock;
};

} // namespace Tr
