// Message-only windows and thread message queues, kept in process-wide tables.
//
// A window handle is a number that is never reused, so a stale handle can
// only miss, never reach another window. Queues wait with pthread primitives
// so that GetMessageA is a cancellation point that unwinds cleanly.
#include "windows/PlatformMessageWindows.h"

#include "threads/PlatformThreads.h"

#include <atomic>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <string>
#include <strings.h>
#include <unordered_map>
#include <vector>

namespace
{
/** One entry of a thread's queue: posted messages are handed out by
    GetMessageA, sent ones are delivered to their window inside it. */
struct QueueEntry
{
    MSG message;
    bool sent;
};

/** The message queue of one thread. */
class ThreadQueue
{
public:
    ThreadQueue()
    {
        pthread_mutex_init(&mutex_, nullptr);
        pthread_cond_init(&condition_, nullptr);
    }
    ~ThreadQueue()
    {
        pthread_cond_destroy(&condition_);
        pthread_mutex_destroy(&mutex_);
    }
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    bool put(const QueueEntry& entry)
    {
        Hold hold(mutex_);
        if (closed_)
            return false;
        entries_.push_back(entry);
        pthread_cond_signal(&condition_);
        return true;
    }

    /** Waits for the next entry (a cancellation point). */
    QueueEntry take()
    {
        Hold hold(mutex_);
        while (entries_.empty())
            pthread_cond_wait(&condition_, &mutex_);
        QueueEntry entry = entries_.front();
        entries_.pop_front();
        return entry;
    }

    void close()
    {
        Hold hold(mutex_);
        closed_ = true;
        entries_.clear();
    }

private:
    /** Holds the queue's mutex, also while a cancellation unwinds. */
    class Hold
    {
    public:
        explicit Hold(pthread_mutex_t& mutex) : mutex_(mutex) { pthread_mutex_lock(&mutex_); }
        ~Hold() { pthread_mutex_unlock(&mutex_); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        pthread_mutex_t& mutex_;
    };

    pthread_mutex_t mutex_;
    pthread_cond_t condition_;
    std::deque<QueueEntry> entries_;
    bool closed_ = false;
};

/** One window of the table. */
struct WindowRecord
{
    WindowRecord(HWND handle_, DWORD owner_, bool topLevel_, std::string title_)
        : handle(handle_), owner(owner_), topLevel(topLevel_), title(std::move(title_))
    {
    }

    const HWND handle;
    const DWORD owner;
    const bool topLevel;
    const std::string title;
    std::atomic<LONG_PTR> procedure{reinterpret_cast<LONG_PTR>(&DefWindowProcA)};
    std::atomic<LONG_PTR> userData{0};
    bool destroying = false; // guarded by the table's mutex
};

using WindowPointer = std::shared_ptr<WindowRecord>;
using QueuePointer = std::shared_ptr<ThreadQueue>;

/** The windows and thread queues of the process. Never destroyed: threads
    may still end and post while the process exits. */
class Registry
{
public:
    static Registry& instance()
    {
        static Registry* registry = new Registry();
        return *registry;
    }

    HWND addWindow(DWORD owner, bool topLevel, const char* title)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        nextWindow_ += 4;
        HWND handle = reinterpret_cast<HWND>(nextWindow_);
        windows_[nextWindow_] = std::make_shared<WindowRecord>(handle, owner, topLevel, title);
        return handle;
    }

    /** The live window, or null (also while it is being destroyed when
        includeDestroying is false). */
    WindowPointer findWindow(HWND handle, bool includeDestroying = false)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = windows_.find(reinterpret_cast<uintptr_t>(handle));
        if (found == windows_.end() || (found->second->destroying && !includeDestroying))
            return nullptr;
        return found->second;
    }

    /** Marks the window as being destroyed; null when it is unknown or
        already on its way out. */
    WindowPointer beginDestroy(HWND handle)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = windows_.find(reinterpret_cast<uintptr_t>(handle));
        if (found == windows_.end() || found->second->destroying)
            return nullptr;
        found->second->destroying = true;
        return found->second;
    }

    void removeWindow(HWND handle)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        windows_.erase(reinterpret_cast<uintptr_t>(handle));
    }

    std::vector<WindowPointer> topLevelWindows()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        std::vector<WindowPointer> result;
        for (const auto& entry : windows_)
            if (entry.second->topLevel && !entry.second->destroying)
                result.push_back(entry.second);
        return result;
    }

    void addQueue(DWORD thread, const QueuePointer& queue)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        queues_[thread] = queue;
    }

    QueuePointer findQueue(DWORD thread)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = queues_.find(thread);
        return found == queues_.end() ? nullptr : found->second;
    }

    /** Forgets an ending thread's queue and the windows it owned. */
    void removeThread(DWORD thread)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        queues_.erase(thread);
        for (auto entry = windows_.begin(); entry != windows_.end();)
        {
            if (entry->second->owner == thread)
                entry = windows_.erase(entry);
            else
                ++entry;
        }
    }

private:
    std::mutex mutex_;
    std::unordered_map<uintptr_t, WindowPointer> windows_;
    std::unordered_map<DWORD, QueuePointer> queues_;
    uintptr_t nextWindow_ = 0x10000;
};

/** The calling thread's queue, made by its first GetMessageA and closed when
    the thread ends. */
class CurrentQueue
{
public:
    ~CurrentQueue()
    {
        if (queue_ == nullptr)
            return;
        Registry::instance().removeThread(thread_);
        queue_->close();
    }

    ThreadQueue& get()
    {
        if (queue_ == nullptr)
        {
            thread_ = GetCurrentThreadId();
            queue_ = std::make_shared<ThreadQueue>();
            Registry::instance().addQueue(thread_, queue_);
        }
        return *queue_;
    }

private:
    QueuePointer queue_;
    DWORD thread_ = 0;
};

thread_local CurrentQueue currentQueue;

LRESULT callProcedure(const WindowRecord& window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto procedure = reinterpret_cast<WNDPROC>(window.procedure.load());
    return procedure == nullptr ? 0 : procedure(window.handle, message, wParam, lParam);
}

std::atomic<LONG_PTR>* windowSlot(WindowRecord& window, int index)
{
    switch (index)
    {
    case GWL_WNDPROC:
        return &window.procedure;
    case GWL_USERDATA:
        return &window.userData;
    default:
        return nullptr;
    }
}
} // namespace

HWND WINAPI CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD, int, int, int, int, HWND parent,
                            HMENU, HINSTANCE, LPVOID)
{
    if (className == nullptr || strcasecmp(className, "Message") != 0)
        return nullptr;
    if (parent != nullptr && !IsWindow(parent))
        return nullptr;
    return Registry::instance().addWindow(GetCurrentThreadId(), parent == nullptr,
                                          windowName == nullptr ? "" : windowName);
}

BOOL WINAPI DestroyWindow(HWND window)
{
    WindowPointer record = Registry::instance().beginDestroy(window);
    if (record == nullptr)
        return FALSE;
    callProcedure(*record, WM_DESTROY, 0, 0);
    callProcedure(*record, WM_NCDESTROY, 0, 0);
    Registry::instance().removeWindow(window);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND window)
{
    return Registry::instance().findWindow(window) != nullptr ? TRUE : FALSE;
}

LONG_PTR WINAPI GetWindowLongA(HWND window, int index)
{
    WindowPointer record = Registry::instance().findWindow(window, true);
    std::atomic<LONG_PTR>* slot = record == nullptr ? nullptr : windowSlot(*record, index);
    return slot == nullptr ? 0 : slot->load();
}

LONG_PTR WINAPI SetWindowLongA(HWND window, int index, LONG_PTR value)
{
    WindowPointer record = Registry::instance().findWindow(window, true);
    std::atomic<LONG_PTR>* slot = record == nullptr ? nullptr : windowSlot(*record, index);
    return slot == nullptr ? 0 : slot->exchange(value);
}

LRESULT CALLBACK DefWindowProcA(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

LRESULT WINAPI CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return procedure == nullptr ? 0 : procedure(window, message, wParam, lParam);
}

BOOL WINAPI GetMessageA(LPMSG message, HWND, UINT, UINT)
{
    if (message == nullptr)
        return -1;
    ThreadQueue& queue = currentQueue.get();
    for (;;)
    {
        const QueueEntry entry = queue.take();
        if (!entry.sent)
        {
            *message = entry.message;
            return entry.message.message == WM_QUIT ? FALSE : TRUE;
        }
        if (WindowPointer window = Registry::instance().findWindow(entry.message.hwnd))
            callProcedure(*window, entry.message.message, entry.message.wParam, entry.message.lParam);
    }
}

LRESULT WINAPI DispatchMessageA(const MSG* message)
{
    if (message == nullptr || message->hwnd == nullptr)
        return 0;
    WindowPointer window = Registry::instance().findWindow(message->hwnd);
    return window == nullptr ? 0 : callProcedure(*window, message->message, message->wParam, message->lParam);
}

BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    QueuePointer queue = Registry::instance().findQueue(threadId);
    if (queue == nullptr)
        return FALSE;
    return queue->put({{nullptr, message, wParam, lParam, timeGetTime()}, false}) ? TRUE : FALSE;
}

int WINAPI BroadcastDeviceChange(WPARAM event, LPARAM data)
{
    int reached = 0;
    for (const WindowPointer& window : Registry::instance().topLevelWindows())
    {
        QueuePointer queue = Registry::instance().findQueue(window->owner);
        if (queue != nullptr && queue->put({{window->handle, WM_DEVICECHANGE, event, data, timeGetTime()}, true}))
            ++reached;
    }
    return reached;
}
