// Message-only windows and per-thread message queues of the platform layer:
// the operations the system calls by their Windows names, on an in-process
// window table.
//
// - A thread gets its message queue with its first GetMessageA; until then
//   PostThreadMessageA to it fails. The queue ends with the thread, and the
//   windows the thread owned go with it.
// - A window belongs to the thread that created it. Only the predefined
//   class "Message" exists; its procedure is DefWindowProcA.
// - Messages sent to a window (the device-change broadcast) are delivered to
//   its window procedure inside GetMessageA on the window's thread; they are
//   never returned by GetMessageA.
// - The window-long slots GWL_WNDPROC and GWL_USERDATA are pointer-sized.
#pragma once

#include "PlatformTypes.h"

typedef struct PlatformMenu* HMENU;
typedef LRESULT(CALLBACK* WNDPROC)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/** A message as GetMessageA hands it out. */
struct MSG
{
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
};
typedef MSG* LPMSG;

#define WM_DESTROY 0x0002u
#define WM_QUIT 0x0012u
#define WM_NCDESTROY 0x0082u
#define WM_DEVICECHANGE 0x0219u
#define WM_USER 0x0400u

#define DBT_DEVNODES_CHANGED 0x0007u

#define GWL_WNDPROC (-4)
#define GWL_USERDATA (-21)

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL WINAPI DestroyWindow(HWND window);
BOOL WINAPI IsWindow(HWND window);

LONG_PTR WINAPI GetWindowLongA(HWND window, int index);
/** Stores the value and answers the previous one (0 for an unknown window or slot). */
LONG_PTR WINAPI SetWindowLongA(HWND window, int index, LONG_PTR value);

LRESULT CALLBACK DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI CallWindowProcA(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

/** Waits for the next posted message of the calling thread (the filter
    arguments are not supported: every message is taken). Answers 0 for
    WM_QUIT, -1 for a null message pointer, else 1. */
BOOL WINAPI GetMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax);
LRESULT WINAPI DispatchMessageA(const MSG* message);
BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);

/** Sends WM_DEVICECHANGE with the given arguments to every top-level window:
    each window's thread gets it in its queue and its window procedure is
    called from that thread's GetMessageA. Never waits, so it may be called
    from any thread. Answers the number of windows it was queued for. */
int WINAPI BroadcastDeviceChange(WPARAM event = DBT_DEVNODES_CHANGED, LPARAM data = 0);
