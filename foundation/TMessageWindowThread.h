// Tr::TMessageWindowThread: the thread that owns the hidden message windows.
#pragma once

#include "BList.h"
#include "BLock.h"
#include "BThread.h"
#include "MessageWindow.h"

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

    /** True when the window is the only entry left once the windows whose
        release is under way are gone. */
    bool isLastWindow(HWND window);

    /** Notes a window whose destroy message is about to be posted, until the
        loop has handled it (or forgetRelease when the post was refused). */
    void noteRelease(HWND window);
    void forgetRelease(HWND window);

protected:
    void run() override;

private:
    /** Handles a destroy message; false when the loop is to end. */
    bool destroyWindow(HWND window);
    void createWindow(TMessageWindowRequest* request);
    void destroyListedWindows();

    BList<HWND> m_windows;
    BList<HWND> m_releasing; // destroy messages posted, not yet handled
    BLock m_listLock;
};

} // namespace Tr
