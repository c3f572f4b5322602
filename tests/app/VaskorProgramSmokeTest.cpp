// Starts the real program under the test X server (with a window manager):
// its window, the single-instance rule, closing through the window manager,
// and the refusal to start without a display. Saves a screenshot of the
// running program as a test artifact.
#include "support/TempDir.h"

#include <gtest/gtest.h>

// After the test framework: Xlib defines macros (None, Bool) that clash with it.
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

namespace
{
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const std::string programTitle = "Vaskor MIDI 5";
// The main panel's title with a fresh bank and no file.
const std::string panelTitle = "Vaskor MIDI 5 - v2.0";

/** One run of the program, stopped (by its pid) if the test leaves it running. */
class ProgramProcess
{
public:
    /** Starts the program with the test's environment minus the names in unset. */
    explicit ProgramProcess(const std::vector<std::string>& unset = {}, const std::string& stderrFile = {})
    {
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry)
        {
            const std::string text = *entry;
            bool keep = true;
            for (const auto& name : unset)
                keep = keep && text.rfind(name + "=", 0) != 0;
            if (keep)
                environment.push_back(text);
        }
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
        if (pid <= 0 || exitStatus)
            return;
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

std::vector<TestSupport::X11Probe::ClientWindow> programWindows(TestSupport::X11Probe& x11)
{
    std::vector<TestSupport::X11Probe::ClientWindow> found;
    for (const auto& window : x11.clientWindows())
        if (window.viewable && window.name.rfind(programTitle, 0) == 0)
            found.push_back(window);
    return found;
}

/**
    The program's window, once it is on screen with the main panel's title and
    the background's size, or as last seen when that did not come in time;
    nothing when no window of the program appeared (or it ended).
*/
std::optional<TestSupport::X11Probe::ClientWindow> waitForWindow(TestSupport::X11Probe& x11, ProgramProcess& program,
                                                                std::chrono::milliseconds timeout)
{
    std::optional<TestSupport::X11Probe::ClientWindow> seen;
    const auto end = Clock::now() + timeout;
    while (Clock::now() < end && ! program.poll())
    {
        for (const auto& window : programWindows(x11))
            if (window.pid == program.id())
                seen = window;
        if (seen && seen->name == panelTitle && seen->width == 503 && seen->height == 603)
            break;
        std::this_thread::sleep_for(50ms);
    }
    return seen;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

/** The colour of one pixel of an image file, as ImageMagick prints it. */
std::string pixelOf(const std::string& image, int x, int y)
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
bool paintedScreenshot(unsigned long windowId, const std::string& shot)
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

bool haveTool(const char* name)
{
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

/** The file behind the toolkit's single-instance lock: one for the whole machine. */
std::string singleInstanceLockFile()
{
    const std::string folder = std::filesystem::is_directory("/var/tmp") ? "/var/tmp" : "/tmp";
    return folder + "/juceAppLock_" + programTitle;
}

/** The process that holds the single-instance lock, if another one does. */
std::optional<pid_t> singleInstanceLockHolder()
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

std::string heldLockText(pid_t holder)
{
    return "another instance of the program (pid " + std::to_string(holder) + ") holds the single-instance lock "
           + singleInstanceLockFile() + ", so the program ends at once; stop that instance and run the test again";
}

/** The program started with its window on screen, or why that did not come. */
struct StartedProgram
{
    std::unique_ptr<ProgramProcess> program;
    std::optional<TestSupport::X11Probe::ClientWindow> window;
    std::string problem; // empty when the window is there
};

/**
    Starts the program until its window is on screen or the time is up. A copy
    started by another test run holds the machine-wide single-instance lock
    and makes this one end at once, so a held lock is waited out, and named as
    the reason when it is still held at the end.
*/
StartedProgram startWithWindow(TestSupport::X11Probe& x11, const std::string& programLog,
                               std::chrono::milliseconds timeout)
{
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
        started.program = std::make_unique<ProgramProcess>(std::vector<std::string>{}, programLog);
        if (! started.program->started())
        {
            started.problem = "the program could not be started";
            return started;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - Clock::now());
        started.window = waitForWindow(x11, *started.program, std::max(left, std::chrono::milliseconds(30s)));
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
} // namespace

TEST(VaskorProgram, WithoutADisplayItSaysSoInOneLineAndFails)
{
    TestSupport::TempHome home;
    const std::string errors = home.dir().file("stderr.txt");
    {
        ProgramProcess program({"DISPLAY", "WAYLAND_DISPLAY"}, errors);
        ASSERT_TRUE(program.started());
        const auto status = program.waitForExit(20s);
        ASSERT_TRUE(status.has_value()) << "the program did not end without a display";
        EXPECT_NE(*status, 0);
    }
    const std::string text = readFile(errors);
    EXPECT_NE(text.find("display"), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

TEST(VaskorProgram, ShowsItsWindowRefusesASecondInstanceAndClosesWithStatusZero)
{
    TestSupport::X11Probe x11;
    if (! x11.isOpen())
        GTEST_SKIP() << "no X display (run the tests through scripts/test, which starts Xvfb and openbox)";
    TestSupport::TempHome home;
    const std::filesystem::path artifacts = std::filesystem::path(VASKOR_BINARY_DIR) / "artifacts";
    std::filesystem::create_directories(artifacts);
    const std::string programLog = (artifacts / "VaskorMidi5-stderr.txt").string();
    std::filesystem::remove(programLog);
    const ShowLogOnFailure showLog(programLog);

    StartedProgram started = startWithWindow(x11, programLog, 90s);
    ASSERT_TRUE(started.window.has_value()) << started.problem;
    std::unique_ptr<ProgramProcess>& program = started.program;
    std::optional<TestSupport::X11Probe::ClientWindow>& window = started.window;
    ASSERT_FALSE(program->poll().has_value()) << "the program ended while its window was looked at";

    EXPECT_EQ(window->name, panelTitle);
    EXPECT_EQ(window->width, 503);
    EXPECT_EQ(window->height, 603);

    // A screenshot for a person to look at, and a check that the background is
    // drawn (see paintedScreenshot).
    if (haveTool("import") && haveTool("convert"))
    {
        const std::string shot = (artifacts / "VaskorMidi5-window.png").string();
        ASSERT_TRUE(paintedScreenshot(window->id, shot)) << "no screenshot of a painted window: " << shot;
        std::printf("screenshot: %s\n", shot.c_str());
    }
    else
    {
        std::printf("ImageMagick's import is missing: no screenshot taken\n");
    }

    // A second start ends by itself and opens no second window.
    {
        ProgramProcess second({}, programLog);
        ASSERT_TRUE(second.started());
        const auto status = second.waitForExit(30s);
        ASSERT_TRUE(status.has_value()) << "the second instance kept running";
        EXPECT_EQ(*status, 0);
    }
    const auto windows = programWindows(x11);
    EXPECT_EQ(windows.size(), 1u);
    EXPECT_FALSE(program->poll().has_value()) << "the first instance ended";

    // Closing through the window manager ends the program normally.
    x11.requestClose(window->id);
    const auto status = program->waitForExit(30s);
    ASSERT_TRUE(status.has_value()) << "the program did not end after the close request";
    EXPECT_EQ(*status, 0);

    // The end wrote the preferences, named after the program, in the per-user folder.
    const std::string preferences =
        home.configDir() + "/Vaskor Devices/" + std::filesystem::path(VASKOR_PROGRAM).filename().string() + ".kqxs";
    std::ifstream file(preferences);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str().rfind("[Current]\nMainLeft=", 0), 0u) << preferences << ":\n" << text.str();
}

TEST(VaskorProgram, AnotherInstanceHoldingTheSingleInstanceLockIsNamedAsTheReason)
{
    TestSupport::X11Probe x11;
    if (! x11.isOpen())
        GTEST_SKIP() << "no X display (run the tests through scripts/test, which starts Xvfb and openbox)";
    TestSupport::TempHome home;
    // A process that holds the lock as a running copy of the program does.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t parent = ::getpid();
    const pid_t holder = ::fork();
    if (holder == 0)
    {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int fd = ::open(singleInstanceLockFile().c_str(), O_RDWR | O_CREAT, 0644);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        // Held by a real copy of the program already, it serves as well.
        const bool locked = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 && ::getppid() == parent;
        const char done = 1;
        if (::write(ready[1], &done, 1) != 1 || ! locked)
            ::_exit(1);
        ::pause();
        ::_exit(0);
    }
    ASSERT_GT(holder, 0);
    char done = 0;
    const bool told = ::read(ready[0], &done, 1) == 1;
    ::close(ready[0]);
    ::close(ready[1]);
    const auto holding = singleInstanceLockHolder();

    StartedProgram started;
    if (told && holding)
        started = startWithWindow(x11, home.dir().file("stderr.txt"), 3s);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);

    ASSERT_TRUE(told && holding) << "nobody holds the lock";
    EXPECT_FALSE(started.window.has_value());
    EXPECT_NE(started.problem.find("another instance of the program (pid " + std::to_string(*holding) + ")"),
              std::string::npos)
        << started.problem;
}

TEST(VaskorProgram, LooksTheSameWhetherTheToolkitOpensEveryFontOrOnlyTheUsedOnes)
{
    TestSupport::X11Probe x11;
    if (! x11.isOpen())
        GTEST_SKIP() << "no X display (run the tests through scripts/test, which starts Xvfb and openbox)";
    if (! haveTool("import") || ! haveTool("compare"))
        GTEST_SKIP() << "ImageMagick's import and compare are missing";
    TestSupport::TempHome home;
    const std::filesystem::path artifacts = std::filesystem::path(VASKOR_BINARY_DIR) / "artifacts";
    std::filesystem::create_directories(artifacts);

    // The program picks the folders of the fonts it draws with, unless the
    // toolkit's own font path is set: then the toolkit opens what that names,
    // here every folder of the system's font configuration.
    const auto screenshot = [&](const char* name, const char* fontPath)
    {
        if (fontPath != nullptr)
            ::setenv("JUCE_FONT_PATH", fontPath, 1);
        else
            ::unsetenv("JUCE_FONT_PATH");
        const std::string shot = (artifacts / name).string();
        StartedProgram started = startWithWindow(x11, home.dir().file("stderr.txt"), 90s);
        ::unsetenv("JUCE_FONT_PATH");
        if (! started.window)
            return "<" + started.problem + ">";
        const bool taken = paintedScreenshot(started.window->id, shot);
        // The bank comes in at the first tick; the shot is taken again after it.
        std::this_thread::sleep_for(1s);
        const bool retaken = taken && paintedScreenshot(started.window->id, shot);
        x11.requestClose(started.window->id);
        started.program->waitForExit(30s);
        return retaken ? shot : "<no painted window>";
    };
    const std::string usedFonts = screenshot("VaskorMidi5-used-fonts.png", nullptr);
    const std::string everyFont = screenshot("VaskorMidi5-every-font.png", "/usr/share/fonts;/usr/local/share/fonts");
    ASSERT_EQ(usedFonts.front(), '/') << usedFonts;
    ASSERT_EQ(everyFont.front(), '/') << everyFont;

    std::string differing;
    const std::string command = "compare -metric AE '" + usedFonts + "' '" + everyFont + "' null: 2>&1";
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        char buffer[128];
        while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
            differing += buffer;
        ::pclose(pipe);
    }
    EXPECT_EQ(differing, "0") << "pixels that differ between " << usedFonts << " and " << everyFont;
}
