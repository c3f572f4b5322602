// Starts the real program under the test X server (with a window manager):
// its window, the single-instance rule, closing through the window manager,
// and the refusal to start without a display. Saves a screenshot of the
// running program as a test artifact.
#include "support/TempDir.h"

#include <gtest/gtest.h>

// After the test framework: Xlib defines macros (None, Bool) that clash with it.
#include "app/ProgramTestSupport.h"

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>

using namespace TestSupport;
using namespace std::chrono_literals;

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
    // drawn: a spot beside the step rows that no control covers, and one
    // between the panels. Taken again until the window has painted itself.
    if (haveTool("import") && haveTool("convert"))
    {
        const std::string shot = (artifacts / "VaskorMidi5-window.png").string();
        const std::string background = std::string(VASKOR_SOURCE_DIR) + "/resources/background.png";
        const std::string command = "import -window " + std::to_string(window->id) + " '" + shot + "'";
        const auto painted = [&]
        {
            return pixelOf(shot, 480, 300) == pixelOf(background, 480, 300)
                   && pixelOf(shot, 250, 91) == pixelOf(background, 250, 91);
        };
        std::filesystem::remove(shot);
        const auto paintedBy = Clock::now() + 15s;
        bool taken = false;
        do
        {
            std::this_thread::sleep_for(300ms);
            taken = std::system(command.c_str()) == 0 && std::filesystem::exists(shot);
        } while (! (taken && painted()) && Clock::now() < paintedBy);
        ASSERT_TRUE(taken) << command;
        std::printf("screenshot: %s\n", shot.c_str());
        EXPECT_EQ(pixelOf(shot, 480, 300), pixelOf(background, 480, 300));
        EXPECT_EQ(pixelOf(shot, 250, 91), pixelOf(background, 250, 91));
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
