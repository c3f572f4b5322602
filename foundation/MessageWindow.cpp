#include "MessageWindow.h"

#include "Millis.h"
#include "TMessageWindowThread.h"

#include <atomic>
#include <memory>

namespace Tr {

BLock g_messageWindowLock;
TMessageWindowThread* g_messageWindowThread = nullptr;

namespace {

constexpr int kProbeAttempts = 2500;
constexpr int kCreatePolls = 2000;

HWND makePlatformWindow(const char* title)
{
    return CreateWindowExA(0, "Message", title, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

std::atomic<MessageWindowMaker> g_windowMaker{&makePlatformWindow};

/** Starts a new message thread and waits until its queue takes messages.
    Null when it does not start or its queue never comes up. */
TMessageWindowThread* startMessageThread()
{
    auto thread = std::make_unique<TMessageWindowThread>();
    g_messageWindowThread = thread.get();
    thread->start();
    if (!thread->isRunning())
    {
        g_messageWindowThread = nullptr;
        return nullptr;
    }
    sleepMs(1);
    for (int attempt = 0; attempt < kProbeAttempts; ++attempt)
    {
        if (PostThreadMessageA(thread->getThreadId(), kMessageWindowProbe, 0, 0))
            return thread.release();
        sleepMs(1);
    }
    // The thread is left to end and delete itself.
    g_messageWindowThread = nullptr;
    thread->setAutoDelete(true);
    thread->requestQuit();
    thread.release();
    return nullptr;
}

} // namespace

HWND createMessageWindow(TWndMessageListener* listener, const TString& name)
{
    // A listener asking on the message thread is served at once: that thread
    // never takes the global lock (a creation waiting under it for this very
    // thread would wait in vain).
    if (TMessageWindowThread* loop = TMessageWindowThread::current())
        return loop->createOnLoop(listener, name);
    BAutoLock hold(&g_messageWindowLock);
    if (g_messageWindowThread != nullptr && g_messageWindowThread->isStopRequested())
    {
        delete g_messageWindowThread;
        g_messageWindowThread = nullptr;
    }
    if (g_messageWindowThread == nullptr && startMessageThread() == nullptr)
        return nullptr;
    TMessageWindowThread* thread = g_messageWindowThread;

    TMessageWindowRequest* request = thread->postCreateRequest(listener, name);
    if (request == nullptr)
        return nullptr;
    // Wait for the answer to this very request (the window count alone can
    // be fooled by a destroy message still in the queue). A loop that has
    // ended serves nothing more, so stop waiting then.
    HWND window = nullptr;
    for (int poll = 0; poll < kCreatePolls && !thread->isStopRequested(); ++poll)
    {
        if (thread->collectRequest(request, false, window))
            return window;
        sleepMs(1);
    }
    // Withdrawn, the request is never served: no late window keeps a
    // listener its owner believes unused. One served at the last moment
    // still gives its window.
    thread->collectRequest(request, true, window);
    return window;
}

void releaseMessageWindow(HWND window)
{
    if (window == nullptr)
        return;
    // A listener releasing a window runs on the message thread, which never
    // takes the global lock, and never waits for or deletes itself: when this
    // was the last window its loop ends after destroying it, and the next
    // creation deletes the object.
    if (TMessageWindowThread* loop = TMessageWindowThread::current())
    {
        loop->releaseOnLoop(window);
        return;
    }
    BAutoLock hold(&g_messageWindowLock);
    TMessageWindowThread* thread = g_messageWindowThread;
    if (thread != nullptr && thread->isRunning() && !thread->isStopRequested())
    {
        // Before anything else: from here on the window's messages, those
        // queued already included, reach no listener, and a call running now
        // has returned (the message thread never takes the global lock, so
        // its call can end while this thread holds it).
        if (const std::shared_ptr<TMessageWindowLink> link = thread->linkOf(window))
            link->detach();
        // Windows whose destroy message is still queued do not count: the
        // loop ends by itself once they are gone, so the release that leaves
        // none must be the one that stops the thread.
        const bool last = thread->noteRelease(window);
        if (PostThreadMessageA(thread->getThreadId(), kMessageWindowDestroy, reinterpret_cast<WPARAM>(window),
                               kMessageWindowDestroy))
        {
            if (last)
            {
                thread->setAutoDelete(false);
                thread->stop();
                delete thread;
                g_messageWindowThread = nullptr;
            }
            return;
        }
        thread->forgetRelease(window);
    }
    destroyMessageWindow(window);
}

MessageWindowMaker setMessageWindowMaker(MessageWindowMaker maker)
{
    return g_windowMaker.exchange(maker != nullptr ? maker : &makePlatformWindow);
}

HWND createListenerWindow(TWndMessageListener* listener, const TString& name)
{
    HWND window = g_windowMaker.load()(name.c_str());
    if (window == nullptr)
        return nullptr;
    auto info = std::make_unique<TMessageWindowInfo>(
        reinterpret_cast<WNDPROC>(GetWindowLongA(window, GWL_WNDPROC)), listener);
    SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(info.release())); // the window owns it
    SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&messageWindowProc));
    return window;
}

void destroyMessageWindow(HWND window)
{
    if (window == nullptr)
        return;
    // Taking the record out of its slot makes exactly one caller its owner.
    std::unique_ptr<TMessageWindowInfo> info(
        reinterpret_cast<TMessageWindowInfo*>(SetWindowLongA(window, GWL_USERDATA, 0)));
    if (info != nullptr)
    {
        // The message thread makes every call itself, so no call of the
        // listener can run there now; any other thread waits for one.
        if (TMessageWindowThread::current() != nullptr)
            info->link->clear();
        else
            info->link->detach();
        SetWindowLongA(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(info->previous));
    }
    DestroyWindow(window);
}

LRESULT CALLBACK messageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto* info = reinterpret_cast<const TMessageWindowInfo*>(GetWindowLongA(window, GWL_USERDATA));
    if (info == nullptr)
        return 0;
    // Copies: the record is not looked at again after the listener's call.
    const WNDPROC previous = info->previous;
    const std::shared_ptr<TMessageWindowLink> link = info->link;
    int handled = 0;
    link->call([&](TWndMessageListener& listener) {
        if (message == kMessageWindowCreatedNotice && lParam == kMessageWindowCreatedNotice)
        {
            listener.onWindowCreated(window);
            handled = 1;
        }
        else
        {
            listener.handleMessage(window, message, wParam, lParam, &handled);
        }
    });
    if (handled == 0)
        return CallWindowProcA(previous, window, message, wParam, lParam);
    return 0;
}

void TMessageWindowLink::detach()
{
    // Cleared first, so that no call starts from here on (the window's
    // queued messages cannot keep the lock from this thread); then the lock
    // waits for the call that had read the listener before.
    m_listener.store(nullptr);
    BAutoLock hold(&m_lock);
}

} // namespace Tr
