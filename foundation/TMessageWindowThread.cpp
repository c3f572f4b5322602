#include "TMessageWindowThread.h"

#include <algorithm>

namespace Tr {

namespace {
/** The thread object whose loop runs on this thread, for the listeners'
    calls into createMessageWindow and releaseMessageWindow. */
thread_local TMessageWindowThread* t_loopThread = nullptr;

/** Marks the calling thread as the loop's for a scope, forced unwinds included. */
class LoopThreadMark
{
public:
    explicit LoopThreadMark(TMessageWindowThread* thread) { t_loopThread = thread; }
    ~LoopThreadMark() { t_loopThread = nullptr; }
    LoopThreadMark(const LoopThreadMark&) = delete;
    LoopThreadMark& operator=(const LoopThreadMark&) = delete;
};
} // namespace

TMessageWindowThread::TMessageWindowThread() : BThread(false, TString("Window Message Thread"))
{
}

TMessageWindowThread::~TMessageWindowThread()
{
    // Normally the loop has ended already; never let the thread outlive the
    // lists and the lock it uses. Requests nobody collected go with the list.
    stopAndWaitForEnd();
}

TMessageWindowThread* TMessageWindowThread::current()
{
    return t_loopThread;
}

int TMessageWindowThread::windowCount()
{
    BAutoLock hold(&m_listLock);
    return m_windows.count();
}

HWND TMessageWindowThread::windowAt(int index)
{
    BAutoLock hold(&m_listLock);
    return m_windows.get(index);
}

void TMessageWindowThread::requestQuit()
{
    // The id is read first: once the stop request is set, an auto-deleting
    // thread may end and free this object at any moment.
    const DWORD threadId = getThreadId();
    markStopRequested();
    PostThreadMessageA(threadId, kMessageWindowDestroy, 0, kMessageWindowDestroy);
}

bool TMessageWindowThread::noteRelease(HWND window)
{
    // One hold of the list lock for the test and the note: of two releases at
    // once (one may come from a listener, without the global lock), exactly
    // the later one sees itself as the last.
    BAutoLock hold(&m_listLock);
    int remaining = 0;
    bool listed = false;
    for (int index = 0; index < m_windows.count(); ++index)
    {
        const HWND entry = m_windows.get(index);
        if (entry != nullptr && m_releasing.contains(entry))
            continue;
        ++remaining;
        listed = listed || entry == window;
    }
    m_releasing.add(window);
    return remaining == 1 && listed;
}

void TMessageWindowThread::forgetRelease(HWND window)
{
    BAutoLock hold(&m_listLock);
    m_releasing.remove(window);
}

HWND TMessageWindowThread::createOnLoop(TWndMessageListener* listener, const TString& name)
{
    BAutoLock hold(&m_listLock);
    HWND window = createListenerWindow(listener, name);
    if (window != nullptr)
        m_windows.add(window);
    return window;
}

void TMessageWindowThread::releaseOnLoop(HWND window)
{
    // No message of the window reaches its listener after this call, not
    // even one queued already.
    if (const std::shared_ptr<TMessageWindowLink> link = linkOf(window))
        link->clear();
    noteRelease(window);
    // Posting to its own queue fails only once the loop is gone; the windows
    // still listed then are destroyed by the loop's end.
    if (!PostThreadMessageA(getThreadId(), kMessageWindowDestroy, reinterpret_cast<WPARAM>(window),
                            kMessageWindowDestroy))
        forgetRelease(window);
}

std::shared_ptr<TMessageWindowLink> TMessageWindowThread::linkOf(HWND window)
{
    BAutoLock hold(&m_listLock);
    const auto* info = reinterpret_cast<const TMessageWindowInfo*>(GetWindowLongA(window, GWL_USERDATA));
    return info != nullptr ? info->link : nullptr;
}

void TMessageWindowThread::run()
{
    const LoopThreadMark mark(this);
    // A quit requested before the loop could take messages (the start-up
    // probe gave up) ends the thread at once.
    bool looping = !isStopRequested();
    MSG message{};
    while (looping && GetMessageA(&message, nullptr, 0, 0) > 0)
    {
        if (message.message == kMessageWindowDestroy && message.lParam == kMessageWindowDestroy)
            looping = destroyWindow(reinterpret_cast<HWND>(message.wParam));
        else if (message.message == kMessageWindowCreate && message.lParam == kMessageWindowCreate)
            createWindow(reinterpret_cast<TMessageWindowRequest*>(message.wParam));
        else
            DispatchMessageA(&message);
    }
    destroyListedWindows();
    markStopRequested();
}

bool TMessageWindowThread::destroyWindow(HWND window)
{
    BAutoLock hold(&m_listLock);
    m_windows.remove(window);
    m_releasing.remove(window);
    destroyMessageWindow(window);
    // A creation asked for meanwhile (a listener may release the last window
    // while another thread waits for a new one) keeps the loop going.
    return (m_windows.count() != 0 || !m_pending.empty()) && !isStopRequested();
}

void TMessageWindowThread::createWindow(TMessageWindowRequest* request)
{
    BAutoLock hold(&m_listLock);
    // Only a request that is still pending is served: a withdrawn one has
    // been freed, and a create message from anyone else is not ours to read.
    auto pending = findPending(request);
    if (pending == m_pending.end() || request->served)
        return;
    HWND window = createListenerWindow(request->listener, request->name);
    m_windows.add(window); // a null entry tells the requester that creation failed
    request->window = window;
    request->served = true;
}

TMessageWindowRequest* TMessageWindowThread::postCreateRequest(TWndMessageListener* listener, const TString& name)
{
    auto owned = std::make_unique<TMessageWindowRequest>(listener, name);
    TMessageWindowRequest* request = owned.get();
    {
        BAutoLock hold(&m_listLock);
        m_pending.push_back(std::move(owned));
    }
    if (PostThreadMessageA(getThreadId(), kMessageWindowCreate, reinterpret_cast<WPARAM>(request),
                           kMessageWindowCreate))
        return request;
    HWND unused = nullptr;
    collectRequest(request, true, unused);
    return nullptr;
}

bool TMessageWindowThread::collectRequest(TMessageWindowRequest* request, bool withdraw, HWND& window)
{
    BAutoLock hold(&m_listLock);
    auto pending = findPending(request);
    if (pending == m_pending.end())
        return false;
    const bool served = request->served;
    if (!served && !withdraw)
        return false;
    window = request->window;
    m_pending.erase(pending);
    return served;
}

std::vector<std::unique_ptr<TMessageWindowRequest>>::iterator TMessageWindowThread::findPending(
    const TMessageWindowRequest* request)
{
    return std::find_if(m_pending.begin(), m_pending.end(),
                        [request](const std::unique_ptr<TMessageWindowRequest>& entry) { return entry.get() == request; });
}

void TMessageWindowThread::destroyListedWindows()
{
    BAutoLock hold(&m_listLock);
    for (int index = m_windows.count() - 1; index >= 0; --index)
        destroyMessageWindow(m_windows.get(index));
}

} // namespace Tr
