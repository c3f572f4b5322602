#include "BLock.h"

namespace Tr {

BLock::BLock() : m_section(new CRITICAL_SECTION())
{
    InitializeCriticalSection(m_section.get());
}

BLock::~BLock()
{
    DeleteCriticalSection(m_section.get());
}

void BLock::lock()
{
    EnterCriticalSection(m_section.get());
}

void BLock::unlock()
{
    LeaveCriticalSection(m_section.get());
}

BAutoLock::BAutoLock(BLock* lock) : m_lock(lock)
{
    if (m_lock != nullptr)
        m_lock->lock();
}

BAutoLock::~BAutoLock()
{
    if (m_lock != nullptr)
        m_lock->unlock();
}

} // namespace Tr
