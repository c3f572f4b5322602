#include "BEvent.h"

#include "threads/PlatformThreads.h"

namespace Tr {

BEvent::BEvent() : m_handle(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
}

BEvent::~BEvent()
{
    CloseHandle(m_handle);
}

void BEvent::set()
{
    SetEvent(m_handle);
}

DWORD BEvent::wait(int ms)
{
    return WaitForSingleObject(m_handle, ms < 1 ? INFINITE : static_cast<DWORD>(ms));
}

} // namespace Tr
