// Hidden message windows served by one shared "Window Message Thread".
#pragma once

#include "BLock.h"
#include "TString.h"
#include "TWndMessageListener.h"

#include <atomic>
#include <memory>

namespace Tr {

class TMessageWindowThread;

/** Private message numbers of the message-window thread. Such a message is
    private only when its lParam equals its number; any other message with
    these numbers is an ordinary message. */
enum MessageWindowMessage : UINT
{
    kMessageWindowProbe = WM_USER,   // posted to the thread until its queue accepts it
    kMessageWindowCreatedNotice = 2246, // to a window: calls onWindowCreated
    kMessageWindowDestroy = 2247,    // to the thread: wParam = window, or 0 to quit
    kMessageWindowCreate = 2248      // to the thread: wParam = TMessageWindowRequest*
};

/** One request to create a window: the listener and the window name, and
    the answer once the message thread has served it.

    The requester hands it to the thread (TMessageWindowThread::
    postCreateRequest), which keeps it in its list of pending requests until
    the requester collects the answer or withdraws the request; the message
    loop serves only requests that are still pending. So a window is never
    made for a requester that has stopped waiting (whose listener may be
    gone), each answer belongs to its own request, and a request whose
    message the loop never reads is freed all the same. */
struct TMessageWindowRequest
{
    TMessageWindowRequest(TWndMessageListener* listener_, const TString& name_) : listener(listener_), name(name_)
    {
    }

    TWndMessageListener* const listener;
    const TString name;
    bool served = false;   // guarded by the thread's list lock
    HWND window = nullptr; // once served: the new window, null when creation failed
};

/** A message window's tie to its listener. The window procedure reads the
    listener and calls it under the link's own lock; detach clears the
    listener and then takes that lock, so no call starts once detach has
    begun and none runs any more once it has returned. The lock is
    re-entrant: a listener may have its own window's messages dispatched
    within its call. Shared between the window's record and a thread that
    detaches the listener, which may wait on the lock while the message
    thread destroys the window. */
class TMessageWindowLink
{
public:
    explicit TMessageWindowLink(TWndMessageListener* listener) : m_listener(listener) {}
    TMessageWindowLink(const TMessageWindowLink&) = delete;
    TMessageWindowLink& operator=(const TMessageWindowLink&) = delete;

    /** Runs call(listener) under the lock while a listener is attached. */
    template <typename Call>
    void call(Call&& call)
    {
        BAutoLock hold(&m_lock);
        if (TWndMessageListener* listener = m_listener.load())
            call(*listener);
    }

    /** From a thread other than the message thread: clears the listener,
        then waits for a call of it that runs now. */
    void detach();

    /** On the message thread, where every call is made (also from inside
        one): clears the listener at once, without the lock. */
    void clear() { m_listener.store(nullptr); }

private:
    BLock m_lock;
    std::atomic<TWndMessageListener*> m_listener;
};

/** The record of one message window, kept in its user-data slot: the
    procedure it had before it was subclassed, and the link to its listener
    (detached first when the window is destroyed). */
struct TMessageWindowInfo
{
    TMessageWindowInfo(WNDPROC previous_, TWndMessageListener* listener)
        : previous(previous_), link(std::make_shared<TMessageWindowLink>(listener))
    {
    }

    WNDPROC previous;
    const std::shared_ptr<TMessageWindowLink> link;
};

/** Serialises createMessageWindow and releaseMessageWindow and guards
    g_messageWindowThread. Never taken on the message thread: a listener's
    calls are served there without it, so that a creation holding it while
    it waits for the message thread cannot hold that thread up. */
extern BLock g_messageWindowLock;

/** The one message-window thread, null while none exists. */
extern TMessageWindowThread* g_messageWindowThread;

/** Creates a hidden window whose messages go to the listener on the message
    thread, starting that thread when needed. The window's handle, or null
    when no window could be made (the caller then works without one). Called
    by a listener (on the message thread), it makes the window at once. */
HWND createMessageWindow(TWndMessageListener* listener, const TString& name);

/** Destroys the window (null does nothing) and ends the message thread when
    it was its last window. Its listener is detached first: from any other
    thread the release waits for a call of the listener that runs on the
    message thread, and once it has returned no call of it runs or can start
    (so a listener must never wait for a thread that releases its window).
    Called by a listener (on the message thread), it never waits: it clears
    the window's listener at once, the loop destroys the window once the
    listener's call has returned, and ends when no window is left. */
void releaseMessageWindow(HWND window);

/** Makes the platform window of a message window: CreateWindowExA of the
    class "Message" with the given title. */
using MessageWindowMaker = HWND (*)(const char* title);

/** Test seam: replaces how message windows are made (null restores the
    platform's call), so that a test can make window creation fail. Answers
    the maker it replaced. */
MessageWindowMaker setMessageWindowMaker(MessageWindowMaker maker);

/** On the message thread: creates one window of class "Message" titled with
    the name and subclasses it with messageWindowProc. Null on failure. */
HWND createListenerWindow(TWndMessageListener* listener, const TString& name);

/** Detaches the listener (waiting for a running call of it when called
    off the message thread), destroys the window and frees its record. Null,
    or a window already destroyed, does nothing. */
void destroyMessageWindow(HWND window);

/** The window procedure of every message window. */
LRESULT CALLBACK messageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace Tr
