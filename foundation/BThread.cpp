#include "BThread.h"

#include "Millis.h"

namespace Tr {

namespace {
constexpr DWORD kGraceMs = 500;      // time a stop request gives the thread
constexpr DWORD kLateGraceMs = 100;  // least grace left for an old request
constexpr int kPollsPerClockRead = 21;
} // namespace

BThread::BThread(bool startNow, const TString& name) : m_name(name)
{
    if (startNow)
        start();
}

BThread::~BThread()
{
    requestStop();
    stopAndWaitForEnd();
    closeHandle();
}

bool BThread::start()
{
    BAutoLock hold(&m_lock);
    m_running.store(1);
    m_stopRequested.store(0);
    closeHandle(); // a handle kept by an earlier, terminated run
    DWORD id = 0;
    HANDLE handle = CreateThread(nullptr, 0, &BThread::threadProc, this, 0, &id);
    if (handle == nullptr)
    {
        m_running.store(0);
        m_stopRequested.store(1);
        m_threadId.store(0);
        return false;
    }
    m_handle.store(handle);
    m_threadId.store(id);
    return true;
}

DWORD WINAPI BThread::threadProc(LPVOID parameter)
{
    BThread* self = static_cast<BThread*>(parameter);
    {
        // start() holds the lock until it has stored the handle and id, so
        // run() may rely on isCurrentThread() from its first line.
        BAutoLock wait(&self->m_lock);
    }
    // A terminated thread unwinds its stack from its next wait or sleep; the
    // end comes then, and not before.
    struct EndOfThread
    {
        BThread* thread;
        ~EndOfThread() { thread->endOfThread(); }
    } end{self};
    self->run();
    return 0;
}

void BThread::endOfThread()
{
    bool ended = false;
    bool autoDelete = false;
    {
        BAutoLock hold(&m_lock);
        // Not when a restart has handed the object to a new thread meanwhile.
        if (m_threadId.load() == GetCurrentThreadId())
        {
            ended = true;
            m_stopRequested.store(1);
            closeHandle();
            m_threadId.store(0);
            autoDelete = m_autoDelete.load() != 0;
        }
    }
    // Clearing running is the last touch of the object: a waiting owner may
    // delete it as soon as it sees the flag clear.
    if (ended)
        m_running.store(0);
    if (autoDelete)
        delete this;
}

void BThread::requestStop()
{
    DWORD expected = 0;
    if (m_stopRequested.compare_exchange_strong(expected, 1))
        m_stopRequestTime.store(getMillis());
    m_wakeEvent.set();
}

bool BThread::stop()
{
    if (!isRunning())
        return true;
    if (isCurrentThread())
    {
        requestStop();
        return true;
    }
    const bool autoDelete = m_autoDelete.load() != 0;
    requestStop();
    if (autoDelete)
        return true;
    if (waitForStop())
        return true;
    kill();
    sleepMs(10);
    return false;
}

void BThread::stopAndWaitForEnd()
{
    stop();
    if (isCurrentThread() || m_autoDelete.load() != 0)
        return;
    while (isRunning())
        sleepMs(1);
}

bool BThread::waitForStop()
{
    if (!isRunning() || isCurrentThread())
        return true;
    DWORD reference = m_stopRequestTime.load();
    const DWORD now = getMillis();
    if (now - reference > kGraceMs)
        reference = now - (kGraceMs - kLateGraceMs);
    for (int polls = 1; isRunning(); ++polls)
    {
        sleepMs(1);
        if (polls % kPollsPerClockRead == 0 && getMillis() - reference > kGraceMs)
            break;
    }
    return !isRunning();
}

void BThread::kill()
{
    {
        // Under the lock the thread's end bookkeeping cannot close the handle
        // meanwhile: a thread ending right now has either closed it already
        // (nothing is terminated) or finishes its bookkeeping afterwards.
        // Never a closed handle whose object may already serve another thread.
        BAutoLock hold(&m_lock);
        TerminateThread(m_handle.load(), 0);
    }
    // Running stays set: the thread clears it as it ends, which is at its
    // next wait or sleep, not necessarily within this pause.
    sleepMs(10);
}

void BThread::wakeUp()
{
    m_wakeEvent.set();
}

bool BThread::isCurrentThread() const
{
    return m_threadId.load() == GetCurrentThreadId();
}

void BThread::closeHandle()
{
    HANDLE handle = m_handle.exchange(nullptr);
    if (handle != nullptr)
        CloseHandle(handle);
}

} // namespace Tr
