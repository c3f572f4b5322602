// Starting the real program for the tests that drive it from outside: one
// run of it as a child process with an environment of the test's choosing,
// its window found through X once it shows the main panel, the machine-wide
// single-instance lock waited out, and the program's error output shown when
// a test fails. Include it after the test framework: it includes Xlib through
// X11Probe.h, whose macros (None, Bool) clash with the framework.
#pragma once

#include "app/X11Probe.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace TestSupport
{
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

inline const std::string programTitle = "Vaskor MIDI 5";
// The main panel's title with a fresh bank and no file.
inline const std::string panelTitle = "Vaskor MIDI 5 - v2.0";

/** Adds the stack of every thread of the running process pid to the file
    logPath, or to the test's output when logPath is empty (when gdb is
    there), so that a failing test shows where a program hangs. */
inline void appendStacksOf(pid_t pid, const std::string& logPath);

/** One run of the program. A test ends every run it starts and looks at how
    it ended: one still running when the test ends is stopped (by its pid),
    and that fails the test. */
class ProgramProcess
{
public:
    /** Starts the program with the test's environment minus the names in
        unset, plus the "NAME=value" entries of extra (which replace those of
        the same name). */
    explicit ProgramProcess(const std::vector<std::string>& unset = {}, const std::string& stderrFile = {},
                            const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> removed = unset;
        for (const auto& entry : extra)
            removed.push_back(entry.substr(0, entry.find('=')));
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry)
        {
            const std::string text = *entry;
            bool keep = true;
            for (const auto& name : removed)
                keep = keep && text.rfind(name + "=", 0) != 0;
            if (keep)
                environment.push_back(text);
        }
        environment.insert(environment.end(), extra.begin(), extra.end());
        std::vector<char*> envp;
        for (auto& text : environment)
            envp.push_back(text.data());
        envp.push_back(nullptr);

        std::string program = VASKOR_PROGRAM;
        char* argv[] = {program.data(), nullptr};
        const std::string errorsTo = stderrFile.empty() ? "/dev/null" : stderrFile;
        const pid_t parent = ::getpid();
        pid = ::fork();
        if (pid == 0)
        {
            // The program never outlives the test, whatever ends the test.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (::getppid() != parent)
                ::_exit(127);
            const int in = ::open("/dev/null", O_RDONLY);
            const int out = ::open("/dev/null", O_WRONLY);
            const int err = ::open(errorsTo.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (in < 0 || out < 0 || err < 0)
                ::_exit(127);
            ::dup2(in, STDIN_FILENO);
            ::dup2(out, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            ::execve(program.c_str(), argv, envp.data());
            ::_exit(127);
        }
    }

    ~ProgramProcess()
    {
        if (pid <= 0 || poll())
            return;
        ADD_FAILURE() << "the program (pid " << pid << ") was still running at the end of the test; it is stopped";
        appendStacksOf(pid, {});
        ::kill(pid, SIGTERM);
        if (! waitForExit(5s))
        {
            ::kill(pid, SIGKILL);
            waitForExit(5s);
        }
    }

    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    pid_t id() const { return pid; }
    bool started() const { return pid > 0; }

    /** The exit status once the process has ended (-1 for a signal), else nothing. */
    std::optional<int> poll()
    {
        if (! exitStatus && pid > 0)
        {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid)
                exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        return exitStatus;
    }

    std::optional<int> waitForExit(std::chrono::milliseconds timeout)
    {
        const auto end = Clock::now() + timeout;
        while (! poll() && Clock::now() < end)
            std::this_thread::sleep_for(20ms);
        return poll();
    }

private:
    pid_t pid = -1;
    std::optional<int> exitStatus;
};

inline std::vector<X11Probe::ClientWindow> programWindows(X11Probe& x11)
{
    std::vector<X11Probe::ClientWindow> found;
    for (const auto& window : x11.clientWindows())
        if (window.viewable && window.name.rfind(programTitle, 0) == 0)
            found.push_back(window);
    return found;
}

/** The per-user preferences file of the program under the configuration folder configDir. */
inline std::string preferencesFile(const std::string& configDir)
{
    return configDir + "/Vaskor Devices/" + std::filesystem::path(VASKOR_PROGRAM).filename().string() + ".kqxs";
}

/** Writes the program's per-user preferences under configDir as if a last run had left text there. */
inline void writePreferencesFile(const std::string& configDir, const std::string& text)
{
    const std::string path = preferencesFile(configDir);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

/**
    The program's window, once it is on screen with the main panel's title
    (title) and the background's size, or as last seen when that did not come
    in time; nothing when no window of the program appeared (or it ended).
*/
inline std::optional<X11Probe::ClientWindow> waitForWindow(X11Probe& x11, ProgramProcess& program,
                                                                std::chrono::milliseconds timeout,
                                                                const std::string& title = panelTitle)
{
    std::optional<X11Probe::ClientWindow> seen;
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end && ! program.poll())
    {
        for (const auto& window : programWindows(x11))
            if (window.pid == program.id())
                seen = window;
        if (seen && seen->name == title && seen->width == 503 && seen->height == 603)
            break;
        std::this_thread::sleep_for(50ms);
    }
    return seen;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

/** The colour of one pixel of an image file, as ImageMagick prints it. */
inline std::string pixelOf(const std::string& image, int x, int y)
{
    const std::string command = "convert '" + image + "' -format '%[pixel:p{" + std::to_string(x) + ","
                                + std::to_string(y) + "}]' info: 2>/dev/null";
    std::string text;
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        char buffer[128];
        while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
            text += buffer;
        ::pclose(pipe);
    }
    return text;
}

/**
    Takes a screenshot of the window into shot once it shows the background:
    a spot beside the step rows that no control covers, and one between the
    panels. Taken again until the window has painted itself, or 15 s passed;
    false when it never did.
*/
inline bool paintedScreenshot(unsigned long windowId, const std::string& shot)
{
    const std::string background = std::string(VASKOR_SOURCE_DIR) + "/resources/background.png";
    const std::string command = "import -window " + std::to_string(windowId) + " '" + shot + "'";
    const auto painted = [&]
    {
        return pixelOf(shot, 480, 300) == pixelOf(background, 480, 300)
               && pixelOf(shot, 250, 91) == pixelOf(background, 250, 91);
    };
    std::filesystem::remove(shot);
    const auto paintedBy = Clock::now() + 15s;
    do
    {
        std::this_thread::sleep_for(300ms);
        if (std::system(command.c_str()) == 0 && std::filesystem::exists(shot) && painted())
            return true;
    } while (Clock::now() < paintedBy);
    return false;
}


/** Prints what the program wrote to its error output when the test failed. */
struct ShowLogOnFailure
{
    explicit ShowLogOnFailure(std::string logPath) : path(std::move(logPath)) {}
    ~ShowLogOnFailure()
    {
        if (::testing::Test::HasFailure())
            std::printf("program's error output (%s):\n%s\n", path.c_str(), readFile(path).c_str());
    }
    std::string path;
};

inline bool haveTool(const char* name)
{
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

inline void appendStacksOf(pid_t pid, const std::string& logPath)
{
    if (! haveTool("gdb"))
        return;
    std::fflush(stdout);
    const std::string command = "timeout 60 gdb -p " + std::to_string(pid) + " -batch -ex 'thread apply all bt 30'"
                                + (logPath.empty() ? std::string(" 2>&1") : " >> '" + logPath + "' 2>&1");
    if (std::system(command.c_str()) != 0)
        std::printf("gdb could not take the stacks of the program (pid %d)\n", pid);
}

/** The file behind the toolkit's single-instance lock: one for the whole machine. */
inline std::string singleInstanceLockFile()
{
    const std::string folder = std::filesystem::is_directory("/var/tmp") ? "/var/tmp" : "/tmp";
    return folder + "/juceAppLock_" + programTitle;
}

/** The process that holds the single-instance lock, if another one does. */
inline std::optional<pid_t> singleInstanceLockHolder()
{
    const int fd = ::open(singleInstanceLockFile().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    const bool asked = ::fcntl(fd, F_GETLK, &query) == 0;
    ::close(fd);
    if (! asked || query.l_type == F_UNLCK)
        return std::nullopt;
    return query.l_pid;
}

inline std::string heldLockText(pid_t holder)
{
    return "another instance of the program (pid " + std::to_string(holder) + ") holds the single-instance lock "
           + singleInstanceLockFile() + ", so the program ends at once; stop that instance and run the test again";
}

/** The program started with its window on screen, or why that did not come. */
struct StartedProgram
{
    std::unique_ptr<ProgramProcess> program;
    std::optional<X11Probe::ClientWindow> window;
    std::string problem; // empty when the window is there
};

/**
    Starts the program until its window is on screen (with the title title)
    or the time is up. A copy started by another test run holds the
    machine-wide single-instance lock and makes this one end at once, so a
    held lock is waited out, and named as the reason when it is still held at
    the end.
*/
inline StartedProgram startWithWindow(X11Probe& x11, const std::string& programLog,
                                      std::chrono::milliseconds timeout,
                                      const std::vector<std::string>& environment = {},
                                      const std::string& title = panelTitle)
{
    // A pointer left over a control by an earlier test would show its
    // tooltip or highlight in this program's screenshots.
    if (haveTool("xdotool"))
        std::system("xdotool mousemove 0 0 >/dev/null 2>&1");
    StartedProgram started;
    const auto giveUp = Clock::now() + timeout;
    bool toldOfHolder = false;
    while (Clock::now() < giveUp)
    {
        if (const auto holder = singleInstanceLockHolder())
        {
            started.problem = heldLockText(*holder);
            if (! toldOfHolder)
                std::printf("waiting: %s\n", started.problem.c_str());
            toldOfHolder = true;
            std::this_thread::sleep_for(500ms);
            continue;
        }
        started.program = std::make_unique<ProgramProcess>(std::vector<std::string>{}, programLog, environment);
        if (! started.program->started())
        {
            started.problem = "the program could not be started";
            return started;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - Clock::now());
        started.window = waitForWindow(x11, *started.program, std::max(left, std::chrono::milliseconds(30s)), title);
        if (started.window)
        {
            started.problem.clear();
            return started;
        }
        if (! started.program->poll())
        {
            started.problem = "the program runs but shows no window";
            return started;
        }
        started.problem = "the program ended with status " + std::to_string(*started.program->poll())
                          + " before it showed a window";
    }
    return started;
}
} // namespace TestSupport
