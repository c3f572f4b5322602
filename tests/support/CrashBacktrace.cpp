// Linked into every test program of the normal build: a test that dies of a
// fatal signal prints the stack of the thread that took it before it ends
// the way it would have (same signal, same status for the test runner), so
// that a crash seen once in a run of the suite leaves more than "SegFault".
// The sanitizer builds have reports of their own and do without it.
#include <csignal>
#include <cstring>
#include <execinfo.h>
#include <initializer_list>
#include <unistd.h>

namespace
{
void writeText(const char* text)
{
    const ssize_t written = ::write(STDERR_FILENO, text, std::strlen(text));
    static_cast<void>(written);
}

const char* signalName(int signal)
{
    switch (signal)
    {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    default: return "?";
    }
}

void onFatalSignal(int signal)
{
    // Only calls that are safe in a signal handler (backtrace was primed).
    writeText("\n*** fatal signal ");
    writeText(signalName(signal));
    writeText("; stack of the thread that took it:\n");
    void* frames[64];
    const int count = ::backtrace(frames, 64);
    ::backtrace_symbols_fd(frames, count, STDERR_FILENO);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

/** Installs the handler, on a stack of its own so that a stack overflow of
    the main thread is reported too. */
struct CrashBacktrace
{
    CrashBacktrace()
    {
        // backtrace loads libgcc on its first call: not inside the handler.
        void* frame[1];
        ::backtrace(frame, 1);
        static char alternate[64 * 1024];
        stack_t stack{};
        stack.ss_sp = alternate;
        stack.ss_size = sizeof alternate;
        ::sigaltstack(&stack, nullptr);
        struct sigaction action{};
        action.sa_handler = &onFatalSignal;
        action.sa_flags = SA_ONSTACK | SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
            ::sigaction(signal, &action, nullptr);
    }
} installed;
} // namespace
