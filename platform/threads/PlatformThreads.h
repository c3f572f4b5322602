// Threads, synchronisation objects and the millisecond clock of the platform
// layer: the operations the system calls by their Windows names, implemented
// with POSIX threads.
//
// Handles returned by CreateThread and CreateEventA are closed with
// CloseHandle. WaitForSingleObject answers WAIT_OBJECT_0 (0) or WAIT_TIMEOUT
// (258) (WAIT_FAILED for a null handle). TerminateThread is a deferred
// cancellation: the thread ends at its next cancellation point (Sleep,
// GetMessageA, WaitForSingleObject), unwinding its stack.
#pragma once

#include "PlatformTypes.h"

struct PlatformSecurityAttributes;
typedef PlatformSecurityAttributes* LPSECURITY_ATTRIBUTES;
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);

#define TIMERR_NOERROR 0u
#define TIMERR_NOCANDO 97u

/** A re-entrant lock. Zero-filled storage; usable between
    InitializeCriticalSection and DeleteCriticalSection. */
struct CRITICAL_SECTION
{
    alignas(16) unsigned char storage[64];
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

// Threads. The stack size is ignored (default size); the creation flags
// must be 0 (the thread starts at once).
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, size_t stackSize, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD creationFlags, LPDWORD threadId);
BOOL WINAPI TerminateThread(HANDLE thread, DWORD exitCode);
DWORD WINAPI GetCurrentThreadId();

// Waiting: a thread handle is signalled once its thread has ended; an event
// handle while it is set.
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);

// Events: unnamed; auto-reset unless manualReset is set (a waiter released by
// an auto-reset event resets it).
HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL WINAPI SetEvent(HANDLE event);
BOOL WINAPI CloseHandle(HANDLE handle);

// Critical sections (re-entrant on one thread).
void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section);

void WINAPI Sleep(DWORD milliseconds);
LONG WINAPI InterlockedExchange(volatile LONG* target, LONG value);

// The multimedia clock: milliseconds of a monotonic clock, wrapping at 2^32.
// The resolution request is accepted and changes nothing (the clock already
// has 1 ms resolution).
DWORD WINAPI timeGetTime();
MMRESULT WINAPI timeBeginPeriod(UINT period);
