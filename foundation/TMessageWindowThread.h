// Tr::TMessageWindowThread: the thread that owns the hidden message windows.
#pragma once

#include "BList.h"
#include "BLock.h"
#include "BThread.h"
#include "MessageWindow.h"

#include <memory>
#include <vector>

namespace Tr {

/** The "Window Message Thread": runs the message loop that creates, serves
    and destroys the hidden message windows of the process, and keeps the
    list of its windows in creation order. Not started by its constructor.
    The loop ends when its last window is destroyed, on a quit request, or
    on the platform's quit message; it then destroys the windows still
    listed and sets the stop request. */
class TMessageWindowThread : public BThread
{
public:
    TMessageWindowThread();
    ~TMessageWindowThread() override;

    /** Number of list entries (null entries of failed creations count). */
    int windowCount();

    /** The entry at index; null when index is outside 0..count-1. */
    HWND windowAt(int index);

    /** Sets the stop request (untimed, without waking) and posts the destroy
        message with window 0, which ends the loop. */
    virtual void requestQuit();

    /** The thread object whose loop the calling thread runs: the message
        thread's own object there (its listeners run on it), null on every
        other thread. */
    static TMessageWindowThread* current();

    /** Notes a window whose destroy message is about to be posted, until the
        loop has handled it (or forgetRelease when the post was refused).
        True when the window was the only entry left once the windows whose
        release is under way are gone: the loop ends after destroying it. */
    bool noteRelease(HWND window);
    void forgetRelease(HWND window);

    /** On the message thread itself (a listener's call): creates the window
        at once and lists it. Null when creation failed. */
    HWND createOnLoop(TWndMessageListener* listener, const TString& name);

    /** On the message thread itself: clears the window's listener and hands
        the window to the loop, which destroys it once the message being
        handled is done with (the window may be the one whose listener
        asks). Never waits. */
    void releaseOnLoop(HWND window);

    /** The link to the listener of a window of this thread, null when the
        window has none (unknown or destroyed). Read under the list lock,
        under which the loop destroys windows; the caller may then wait on
        the link while the window goes. */
    std::shared_ptr<TMessageWindowLink> linkOf(HWND window);

    /** Lists a request to create a window as pending and posts the create
        message for it. The request, which stays the thread's until
        collectRequest takes it back; null when the queue refused the post. */
    TMessageWindowRequest* postCreateRequest(TWndMessageListener* listener, const TString& name);

    /** The requester's side of a pending request. Once the loop has served
        it: frees it, stores the answer (null when creation failed) in window
        and answers true. Not served yet: answers false; with withdraw the
        request is freed as well, and the loop will never make its window. */
    bool collectRequest(TMessageWindowRequest* request, bool withdraw, HWND& window);

protected:
    void run() override;

private:
    /** Handles a destroy message; false when the loop is to end. */
    bool destroyWindow(HWND window);
    void createWindow(TMessageWindowRequest* request);
    void destroyListedWindows();
    /** The pending entry of the request (under the list lock); end() when
        it is not pending. */
    std::vector<std::unique_ptr<TMessageWindowRequest>>::iterator findPending(const TMessageWindowRequest* request);

    BList<HWND> m_windows;
    BList<HWND> m_releasing; // destroy messages posted, not yet handled
    std::vector<std::unique_ptr<TMessageWindowRequest>> m_pending; // create requests not yet collected
    BLock m_listLock; // guards the three lists and the requests' answers
};

} // namespace Tr
