// Tr::TWndMessageListener: the owner of a hidden message window.
#pragma once

#include "windows/PlatformMessageWindows.h"

namespace Tr {

/** Receives the messages of one hidden message window (see
    createMessageWindow). Every call arrives on the "Window Message Thread";
    state the listener shares with other threads must be locked by it. */
class TWndMessageListener
{
public:
    virtual ~TWndMessageListener() = default;

    /** Called for the created notice (message 2246 with lParam 2246). */
    virtual void onWindowCreated(HWND window) { (void)window; }

    /** Called for every other message of the window. Setting *handled to
        non-zero keeps the message from the window's previous procedure. The
        result is not used. */
    virtual LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int* handled) = 0;
};

} // namespace Tr
