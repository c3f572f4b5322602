// Threads, events, critical sections and the clock on POSIX threads.
//
// Every wait uses pthread primitives directly (not std::condition_variable)
// so that a cancelled thread unwinds through them: the waits are cancellation
// points, and the RAII guards below release mutexes and references during
// the forced unwind.
#include "threads/PlatformThreads.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <new>
#include <pthread.h>
#include <sched.h>
#include <unordered_set>

namespace
{
/** Holds a pthread mutex for a scope, also while a cancellation unwinds. */
class PthreadLock
{
public:
    explicit PthreadLock(pthread_mutex_t& mutex) : mutex_(mutex) { pthread_mutex_lock(&mutex_); }
    ~PthreadLock() { pthread_mutex_unlock(&mutex_); }
    PthreadLock(const PthreadLock&) = delete;
    PthreadLock& operator=(const PthreadLock&) = delete;

private:
    pthread_mutex_t& mutex_;
};

timespec monotonicNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

timespec monotonicAfter(DWORD milliseconds)
{
    timespec when = monotonicNow();
    when.tv_sec += static_cast<time_t>(milliseconds / 1000u);
    when.tv_nsec += static_cast<long>(milliseconds % 1000u) * 1000000L;
    if (when.tv_nsec >= 1000000000L)
    {
        when.tv_sec += 1;
        when.tv_nsec -= 1000000000L;
    }
    return when;
}

/** Base of every object behind a HANDLE: a signalled state that threads can
    wait for, and a reference count (the handle holds one reference, a running
    thread and a pending wait hold one each). */
class HandleObject
{
public:
    explicit HandleObject(bool manualReset, bool signalled) : manualReset_(manualReset), signalled_(signalled)
    {
        pthread_mutex_init(&mutex_, nullptr);
        pthread_condattr_t attributes;
        pthread_condattr_init(&attributes);
        pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
        pthread_cond_init(&condition_, &attributes);
        pthread_condattr_destroy(&attributes);
    }

    virtual ~HandleObject()
    {
        pthread_cond_destroy(&condition_);
        pthread_mutex_destroy(&mutex_);
    }

    HandleObject(const HandleObject&) = delete;
    HandleObject& operator=(const HandleObject&) = delete;

    void addReference() { references_.fetch_add(1, std::memory_order_relaxed); }

    void release()
    {
        if (references_.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }

    void signal()
    {
        PthreadLock hold(mutex_);
        signalled_ = true;
        if (manualReset_)
            pthread_cond_broadcast(&condition_);
        else
            pthread_cond_signal(&condition_);
    }

    /** Waits until signalled or the time is up (INFINITE: no limit). */
    DWORD wait(DWORD milliseconds)
    {
        const timespec deadline = monotonicAfter(milliseconds == INFINITE ? 0 : milliseconds);
        PthreadLock hold(mutex_);
        while (!signalled_)
        {
            if (milliseconds == INFINITE)
                pthread_cond_wait(&condition_, &mutex_);
            else if (pthread_cond_timedwait(&condition_, &mutex_, &deadline) == ETIMEDOUT && !signalled_)
                return WAIT_TIMEOUT;
        }
        if (!manualReset_)
            signalled_ = false;
        return WAIT_OBJECT_0;
    }

protected:
    pthread_mutex_t mutex_;

private:
    pthread_cond_t condition_;
    std::atomic<int> references_{1};
    const bool manualReset_;
    bool signalled_;
};

/** An event: auto-reset or manual-reset, as created. */
class EventObject : public HandleObject
{
public:
    using HandleObject::HandleObject;
};

/** A thread: signalled once its start routine has returned or its stack has
    been unwound by a cancellation. */
class ThreadObject : public HandleObject
{
public:
    ThreadObject(LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD id)
        : HandleObject(true, false), start_(start), parameter_(parameter), id_(id)
    {
    }

    bool launch()
    {
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
        addReference(); // held by the running thread
        const int failed = pthread_create(&thread_, &attributes, &ThreadObject::main, this);
        pthread_attr_destroy(&attributes);
        if (failed != 0)
        {
            finished_ = true;
            release();
            return false;
        }
        return true;
    }

    /** Requests the cancellation of a thread that has not finished yet. */
    bool cancel()
    {
        PthreadLock hold(mutex_);
        if (finished_)
            return false;
        return pthread_cancel(thread_) == 0;
    }

private:
    /** Marks the end of the thread on every way out of its start routine. */
    class EndGuard
    {
    public:
        explicit EndGuard(ThreadObject& thread) : thread_(thread) {}
        ~EndGuard()
        {
            {
                PthreadLock hold(thread_.mutex_);
                thread_.finished_ = true;
            }
            thread_.signal();
            thread_.release();
        }
        EndGuard(const EndGuard&) = delete;
        EndGuard& operator=(const EndGuard&) = delete;

    private:
        ThreadObject& thread_;
    };

    static void* main(void* argument);

    LPTHREAD_START_ROUTINE start_;
    LPVOID parameter_;
    const DWORD id_;
    pthread_t thread_{};
    bool finished_ = false; // guarded by mutex_
};

std::atomic<DWORD> nextThreadId{1};
thread_local DWORD currentThreadId = 0;

void* ThreadObject::main(void* argument)
{
    ThreadObject& self = *static_cast<ThreadObject*>(argument);
    currentThreadId = self.id_;
    EndGuard end(self);
    self.start_(self.parameter_);
    return nullptr;
}

/** The handles currently open, so that a stale or foreign handle is refused
    instead of being dereferenced. Never destroyed (threads may still close
    handles while the process exits). */
class HandleTable
{
public:
    static HandleTable& instance()
    {
        static HandleTable* table = new HandleTable();
        return *table;
    }

    HANDLE add(HandleObject* object)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        open_.insert(object);
        return object;
    }

    /** The object with one more reference, or null for an unknown handle. */
    HandleObject* acquire(HANDLE handle)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = open_.find(static_cast<HandleObject*>(handle));
        if (found == open_.end())
            return nullptr;
        (*found)->addReference();
        return *found;
    }

    /** Takes the handle's own reference out of the table; null if unknown. */
    HandleObject* remove(HANDLE handle)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = open_.find(static_cast<HandleObject*>(handle));
        if (found == open_.end())
            return nullptr;
        HandleObject* object = *found;
        open_.erase(found);
        return object;
    }

private:
    std::mutex mutex_;
    std::unordered_set<HandleObject*> open_;
};

/** A reference taken from the handle table, released on every way out. */
class HandleReference
{
public:
    explicit HandleReference(HANDLE handle) : object_(HandleTable::instance().acquire(handle)) {}
    ~HandleReference()
    {
        if (object_ != nullptr)
            object_->release();
    }
    HandleReference(const HandleReference&) = delete;
    HandleReference& operator=(const HandleReference&) = delete;

    HandleObject* get() const { return object_; }

private:
    HandleObject* object_;
};

std::recursive_mutex& sectionMutex(LPCRITICAL_SECTION section)
{
    return *std::launder(reinterpret_cast<std::recursive_mutex*>(section->storage));
}

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::storage),
              "critical section storage too small");
static_assert(alignof(std::recursive_mutex) <= 16, "critical section storage misaligned");
} // namespace

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, size_t, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                           DWORD creationFlags, LPDWORD threadId)
{
    if (start == nullptr || creationFlags != 0)
        return nullptr;
    const DWORD id = nextThreadId.fetch_add(1);
    auto* thread = new ThreadObject(start, parameter, id);
    HandleTable::instance().add(thread);
    if (!thread->launch())
    {
        HandleTable::instance().remove(thread);
        thread->release();
        return nullptr;
    }
    if (threadId != nullptr)
        *threadId = id;
    return thread;
}

BOOL WINAPI TerminateThread(HANDLE thread, DWORD)
{
    HandleReference reference(thread);
    auto* object = dynamic_cast<ThreadObject*>(reference.get());
    return object != nullptr && object->cancel() ? TRUE : FALSE;
}

DWORD WINAPI GetCurrentThreadId()
{
    if (currentThreadId == 0)
        currentThreadId = nextThreadId.fetch_add(1);
    return currentThreadId;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    HandleReference reference(handle);
    if (reference.get() == nullptr)
        return WAIT_FAILED;
    return reference.get()->wait(milliseconds);
}

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR)
{
    return HandleTable::instance().add(new EventObject(manualReset != FALSE, initialState != FALSE));
}

BOOL WINAPI SetEvent(HANDLE event)
{
    HandleReference reference(event);
    auto* object = dynamic_cast<EventObject*>(reference.get());
    if (object == nullptr)
        return FALSE;
    object->signal();
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE handle)
{
    HandleObject* object = HandleTable::instance().remove(handle);
    if (object == nullptr)
        return FALSE;
    object->release();
    return TRUE;
}

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    new (section->storage) std::recursive_mutex();
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    sectionMutex(section).~recursive_mutex();
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section)
{
    sectionMutex(section).lock();
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    sectionMutex(section).unlock();
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section)
{
    return sectionMutex(section).try_lock() ? TRUE : FALSE;
}

void WINAPI Sleep(DWORD milliseconds)
{
    if (milliseconds == 0)
    {
        pthread_testcancel();
        sched_yield();
        return;
    }
    timespec remaining{static_cast<time_t>(milliseconds / 1000u), static_cast<long>(milliseconds % 1000u) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR)
    {
    }
}

LONG WINAPI InterlockedExchange(volatile LONG* target, LONG value)
{
    return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}

DWORD WINAPI timeGetTime()
{
    const timespec now = monotonicNow();
    const uint64_t milliseconds =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<DWORD>(milliseconds);
}

MMRESULT WINAPI timeBeginPeriod(UINT period)
{
    return period == 0 ? TIMERR_NOCANDO : TIMERR_NOERROR;
}
