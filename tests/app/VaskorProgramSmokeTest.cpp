// Starts the real program under the test X server (with a window manager):
// its window, the single-instance rule, closing through the window manager,
// the preferences its end writes, the refusal to start without a display, and
// its look with every font opened or only the used ones, its window icon.
// Saves screenshots of the running program as test artifacts.
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <juce_graphics/juce_graphics.h>

// After the test framework: Xlib defines macros (None, Bool) that clash with it.
#include "app/ProgramTestSupport.h"

#include <sys/wait.h>

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

    // The window's icon is the application icon: width, height, then the
    // pixels as ARGB, row by row.
    const juce::Image icon = juce::ImageFileFormat::loadFrom(juce::File(VASKOR_SOURCE_DIR "/resources/icon.png"));
    ASSERT_TRUE(icon.isValid());
    std::vector<unsigned long> expectedIcon {static_cast<unsigned long>(icon.getWidth()),
                                             static_cast<unsigned long>(icon.getHeight())};
    for (int y = 0; y < icon.getHeight(); ++y)
        for (int x = 0; x < icon.getWidth(); ++x)
            expectedIcon.push_back(icon.getPixelAt(x, y).getARGB());
    EXPECT_TRUE(x11.cardinals(window->id, "_NET_WM_ICON") == expectedIcon)
        << "the window's _NET_WM_ICON is not the application icon";

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
    const std::string preferences = preferencesFile(home.configDir());
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
        EXPECT_EQ(started.program->waitForExit(30s), std::optional<int>(0))
            << "the program did not end with status 0 after the close request";
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
