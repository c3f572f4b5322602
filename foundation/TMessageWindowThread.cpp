#include "TMessageWindowThread.h"

#include <memory>

namespace Tr {

TMessageWindowThread::TMessageWindowThread() : BThread(false, TString("Window Message Thread"))
{
}

TMessageWindowThread::~TMessageWindowThread()
{
    // Normally the loop has ended already; never let the thread outlive the
    // list and the lock it uses.
    stop();
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
    markStopRequested();
    PostThreadMessageA(getThreadId(), kMessageWindowDestroy, 0, kMessageWindowDestroy);
}

bool TMessageWindowThread::isLastWindow(HWND window)
{
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
    return remaining == 1 && listed;
}

void TMessageWindowThread::noteRelease(HWND window)
{
    BAutoLock hold(&m_listLock);
    m_releasing.add(window);
}

void TMessageWindowThread::forgetRelease(HWND window)
{
    BAutoLock hold(&m_listLock);
    m_releasing.remove(window);
}

void TMessageWindowThread::run()
{
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
    return m_windows.count() != 0 && !isStopRequested();
}

void TMessageWindowThread::createWindow(TMessageWindowRequest* request)
{
    if (request == nullptr)
        return;
    std::unique_ptr<TMessageWindowRequest> owned(request);
    std::lock_guard<std::mutex> handshake(owned->handshake->mutex);
    if (owned->handshake->abandoned)
        return;
    HWND window = createListenerWindow(owned->listener, owned->name);
    BAutoLock hold(&m_listLock);
    m_windows.add(window); // a null entry tells the requester that creation failed
}

void TMessageWindowThread::destroyListedWindows()
{
    BAutoLock hold(&m_listLock);
    for (int index = m_windows.count() - 1; index >= 0; --index)
        destroyMessageWindow(m_windows.get(index));
}

} // namespace Tr
