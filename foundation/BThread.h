// Tr::BThread: the base of the library's thread objects.
#pragma once

#include "BEvent.h"
#include "BLock.h"
#include "TString.h"

#include <atomic>

namespace Tr {

/** The base of a thread object: derived classes put the thread's body in
    run() and return from it when isStopRequested() is set (or the wake event
    fires). stop() asks the thread to end, waits a bounded time (500 ms after
    the first request, at least about 100 ms from the call) and terminates a
    thread that overruns it. With auto-delete set the finished thread deletes
    its own object, and nothing may use the object afterwards.

    A forced termination takes effect only when the thread next waits or
    sleeps (sleepMs, a BEvent wait, the platform's message wait): a run()
    that is to be stoppable must reach one of them regularly, and one that
    loops without ever waiting runs on until it does. isRunning() stays true
    until the thread has really ended, and the destructor waits for that
    end, so an object is never freed under its running thread.

    A derived class that overrides run() should construct with startNow false
    and call start() once it is fully constructed, and call stopAndWaitForEnd()
    in its own destructor, before its members go. */
class BThread
{
public:
    BThread(bool startNow, const TString& name);
    virtual ~BThread();
    BThread(const BThread&) = delete;
    BThread& operator=(const BThread&) = delete;

    /** Creates and starts the platform thread; true on success. Does not check
        whether a thread already runs. */
    bool start();

    /** Asks the thread to stop; only the first request is timed. Sets the
        wake event every time. */
    void requestStop();

    /** Requests the stop and, unless auto-delete is set, waits for it,
        terminating the thread when it overruns. True when the thread ended by
        itself (or was not running, or this is the thread itself). After a
        termination (false) the thread may still run until its next wait or
        sleep; isRunning() tells when it has ended. */
    bool stop();

    /** stop(), then waits without a time limit until the thread has really
        ended (not on the thread itself, nor with auto-delete set). For
        destructors: afterwards nothing runs on the object. */
    void stopAndWaitForEnd();

    /** Waits a bounded time for the thread to end; true when it is not
        running afterwards. */
    bool waitForStop();

    /** Terminates the platform thread and sleeps 10 ms. The thread ends at
        its next wait or sleep and clears running itself then. */
    void kill();

    void wakeUp();

    bool isRunning() const { return m_running.load() != 0; }
    bool isStopRequested() const { return m_stopRequested.load() != 0; }
    bool isCurrentThread() const;
    DWORD getThreadId() const { return m_threadId.load(); }
    void setAutoDelete(bool autoDelete) { m_autoDelete.store(autoDelete ? 1 : 0); }
    const TString& getName() const { return m_name; }

protected:
    /** The thread's body; empty by default. */
    virtual void run() {}

    /** The event every stop request sets; run() may wait on it. */
    BEvent& wakeEvent() { return m_wakeEvent; }

    /** Sets the stop request without timing it or waking the thread. */
    void markStopRequested() { m_stopRequested.store(1); }

private:
    static DWORD WINAPI threadProc(LPVOID parameter);
    /** The end of the thread, on every way out of run() (the unwind of a
        terminated thread included); may delete the object. */
    void endOfThread();
    void closeHandle();

    std::atomic<DWORD> m_autoDelete{0};
    std::atomic<DWORD> m_stopRequested{0};
    BEvent m_wakeEvent;
    std::atomic<DWORD> m_running{0};
    TString m_name;
    std::atomic<HANDLE> m_handle{nullptr};
    std::atomic<DWORD> m_threadId{0};
    std::atomic<DWORD> m_stopRequestTime{0};
    BLock m_lock;
};

} // namespace Tr
