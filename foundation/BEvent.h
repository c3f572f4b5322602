// Tr::BEvent: the library's wake-up event.
#pragma once

#include "PlatformTypes.h"

namespace Tr {

/** An unnamed, auto-reset platform event, created non-signalled: one set
    releases one wait. Threads use it to wake a waiting thread early. */
class BEvent
{
public:
    BEvent();
    virtual ~BEvent();
    BEvent(const BEvent&) = delete;
    BEvent& operator=(const BEvent&) = delete;

    void set();

    /** Waits until the event is set or ms milliseconds have passed (ms below 1:
        no limit). Answers the platform's result: 0 when set, 258 on time-out. */
    DWORD wait(int ms);

private:
    HANDLE m_handle;
};

} // namespace Tr
