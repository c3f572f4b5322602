// The main panel's preferences through a real main window: where the file
// lies, what a start reads (the window's place, the last file, the documents
// folder, the MIDI choices) and what the end of a run writes, keeping what it
// does not know. The MIDI ports are the in-memory ones.
#include "MidiManager.h"
#include "TIniFile.h"
#include "TMidiAliasManager.h"
#include "VaskorContentPanel.h"
#include "WindowPosition.h"

#include "PanelTestSupport.h"
#include "WindowTestSupport.h"
#include "support/Fifo.h"
#include "support/FileText.h"
#include "support/FileWriteFailure.h"
#include "support/IniSectionLines.h"
#include "support/MidiTestSupport.h"
#include "support/TStringListLines.h"
#include "support/TStringPrinting.h"
#include "support/TempDir.h"

#include "files/PlatformRegularFile.h"
#include "gui/PlatformWindowRect.h"

#include <gtest/gtest.h>

// After the toolkit and the test framework: Xlib defines macros (None, Bool) that clash with them.
#include "app/X11Probe.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
using TestSupport::linesOf;
using TestSupport::sectionOf;
using TestSupport::readFileBytes;
using TestSupport::writeFileBytes;

// Windows in these tests live without an application object.
[[maybe_unused]] const bool standalone = TestSupport::standaloneToolkitProgram;

const char* const baseTitle = "Vaskor MIDI 5 - v2.0";

juce::String toJuce(const std::string& text)
{
    return juce::String::fromUTF8(text.c_str());
}

/** The per-user preferences file of this test program. */
std::string userPreferences(const TestSupport::TempHome& home)
{
    const juce::File program = juce::File::getSpecialLocation(juce::File::currentApplicationFile);
    return home.configDir() + "/Vaskor Devices/" + program.getFileNameWithoutExtension().toStdString() + ".kqxs";
}

void writePreferences(const std::string& path, const std::string& text)
{
    fs::create_directories(fs::path(path).parent_path());
    writeFileBytes(path, text);
}

std::string readKey(const std::string& path, const char* section, const char* key)
{
    Tr::TIniFile ini(Tr::TString(path.c_str()));
    ini.load();
    return ini.readString(section, key, "(none)").c_str();
}

/** One run of the main panel in a real main window, as far as the test
    takes it; the window (and with it the MIDI library) goes with quit. Boxes
    are recorded, file dialogs cancelled. */
class PanelRun
{
public:
    /** Opens the window, which reads the preferences; with firstTick, runs
        the message loop until its first tick has loaded a bank. */
    void start(bool firstTick)
    {
        window = std::make_unique<TestSupport::PanelWindow>();
        window->initialise({}, false, false);
        panel = window->panel;
        ASSERT_NE(panel, nullptr);
        if (firstTick)
        {
            ASSERT_TRUE(TestSupport::runLoopUntil([this] { return panel->afterStartRan; }, 5000));
        }
    }

    /** Runs the message loop until the window manager has framed, placed and
        shown the window (at most 5 s): the toolkit knows the frame, and the X
        server shows the window, which it does only once the window manager
        has mapped the frame it placed. */
    void settle()
    {
        TestSupport::X11Probe x11;
        ASSERT_TRUE(x11.isOpen());
        const auto windowId = reinterpret_cast<unsigned long>(window->getPeer()->getNativeHandle());
        auto framed = [this] {
            const juce::ComponentPeer* peer = window->getPeer();
            const auto frame = peer != nullptr ? peer->getFrameSizeIfPresent() : juce::ComponentPeer::OptionalBorderSize();
            return frame && !(*frame).isEmpty();
        };
        auto shown = [&] { return framed() && x11.window(windowId).viewable; };
        EXPECT_TRUE(TestSupport::runLoopUntil(shown, 5000)) << "the window manager did not frame and show the window";
    }

    /** Ends the run: the window's destruction writes the preferences. */
    void quit()
    {
        window.reset();
        panel = nullptr;
    }

    std::string title() const { return window->getName().toStdString(); }

    /** Where the window's frame stands on the screen, as the X server has it. */
    juce::Rectangle<int> frame() const
    {
        RECT outer {};
        EXPECT_TRUE(GetWindowRect(static_cast<HWND>(window->getPeer()->getNativeHandle()), &outer));
        return {outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top};
    }

    juce::ScopedJuceInitialiser_GUI gui;
    TestSupport::RecordedDialogs dialogs;
    std::unique_ptr<TestSupport::PanelWindow> window;
    TestSupport::PanelProbe* panel = nullptr;
};

class VaskorContentPanelSettings : public ::testing::Test
{
protected:
    std::string preferences() const { return userPreferences(home); }
    std::string file(const std::string& name) const { return dir.file(name); }

    TestSupport::TempHome home;
    TestSupport::TempDir dir;
    TestSupport::ScopedMidiBackend<> midi;
    PanelRun run;
};
} // namespace

TEST(VaskorContentPanelSettingsPath, AFileBesideTheProgramWinsElseThePerUserOneWhetherItExistsOrNot)
{
    TestSupport::TempDir dir;
    const std::string tools = dir.file("Tools");
    const std::string dotted = dir.file("my.tools");
    fs::create_directories(tools + "/folder.kqxs");
    fs::create_directories(dotted);
    writeFileBytes(tools + "/editor.kqxs", "");
    writeFileBytes(dotted + "/editor.kqxs", "");
    const Tr::TString settings = "/home/user/.config/Vaskor Devices";
    const struct
    {
        std::string program;
        std::string expected;
    } cases[] = {
        {tools + "/editor.bin", tools + "/editor.kqxs"},
        {dotted + "/editor", dotted + "/editor.kqxs"},
        {tools + "/other.bin", "/home/user/.config/Vaskor Devices/other.kqxs"},
        {tools + "/folder", "/home/user/.config/Vaskor Devices/folder.kqxs"},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(VaskorContentPanel::settingsPathFor(Tr::TString(c.program.c_str()), settings),
                  Tr::TString(c.expected.c_str()))
            << c.program;
    }
}

TEST_F(VaskorContentPanelSettings, AFirstStartCentresTheWindowsFrameAndTheEndWritesThatPlaceButNoSize)
{
    run.start(false);
    EXPECT_EQ(run.panel->settingsPath, Tr::TString(preferences().c_str()));
    EXPECT_EQ(run.panel->getBounds(), juce::Rectangle<int>(0, 0, 503, 603));
    run.settle();
    EXPECT_FALSE(fs::exists(fs::path(preferences()).parent_path())) << "made before anything was written";
    // The frame, title bar included, is what is centred.
    const juce::Rectangle<int> area = WindowPosition::mainMonitorArea();
    const juce::Rectangle<int> frame = run.frame();
    EXPECT_GT(frame.getHeight(), 603) << "no title bar from the window manager";
    const juce::Point<int> centred(area.getX() + area.getWidth() / 2 - frame.getWidth() / 2,
                                   area.getY() + area.getHeight() / 2 - frame.getHeight() / 2);
    EXPECT_EQ(frame.getPosition(), centred);

    run.quit();
    EXPECT_EQ(sectionOf(preferences(), "Current"),
              (std::vector<std::string> {"MainLeft=" + std::to_string(centred.x), "MainTop=" + std::to_string(centred.y),
                                         "File=", "DocumentsDir=" + home.documentsDir() + "/Vaskor MIDI 5"}));
}

namespace
{
/** A place that a run saved, as offsets from the main monitor's work area. */
struct SavedPlace
{
    const char* name;
    int left;
    int top;
};

void PrintTo(const SavedPlace& place, std::ostream* os)
{
    *os << place.name;
}

class VaskorContentPanelSavedPlace : public VaskorContentPanelSettings,
                                     public ::testing::WithParamInterface<SavedPlace>
{
};
} // namespace

TEST_P(VaskorContentPanelSavedPlace, IsSnappedSoTheFrameLiesOnTheMainMonitorAndStaysThereAfterARun)
{
    const juce::Rectangle<int> area = WindowPosition::mainMonitorArea();
    const int left = area.getX() + GetParam().left;
    const int top = area.getY() + GetParam().top;
    writePreferences(preferences(), "[Current]\nMainLeft=" + std::to_string(left) + "\nMainTop=" + std::to_string(top)
                                        + "\n");
    run.start(false);
    run.settle();
    // The rule places the frame, whose corner is what is saved.
    const juce::Rectangle<int> frame = run.frame();
    EXPECT_GT(frame.getHeight(), 603) << "no title bar from the window manager";
    EXPECT_EQ(frame, WindowPosition::placedBounds(area, left, top, frame.getWidth(), frame.getHeight()));
    run.quit();
    EXPECT_EQ(readKey(preferences(), "Current", "MainLeft"), std::to_string(frame.getX()));
    EXPECT_EQ(readKey(preferences(), "Current", "MainTop"), std::to_string(frame.getY()));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, VaskorContentPanelSavedPlace,
    ::testing::Values(SavedPlace {"FarLeft", -10000, 90}, SavedPlace {"FarRightAndBelow", 10000, 10000},
                      SavedPlace {"JustOffTheBottom", 100, 900}, SavedPlace {"Kept", 40, 60}),
    [](const ::testing::TestParamInfo<SavedPlace>& info) { return std::string(info.param.name); });

TEST_F(VaskorContentPanelSettings, ARunKeepsByteForByteWhatTheProgramDoesNotWrite)
{
    const std::string lastFile = file("Gone.syx");
    const std::string banks = file("Banks");
    const std::string foreign = "[Foreign]\nb=2\na = \"1\"\n\n";
    const std::string foreignLast = "[zeta]\nkey=value\n\n";
    writePreferences(preferences(), "[Current]\nMainLeft=100\nTheme=dark\nMainTop=80\nFile=" + lastFile
                                        + "\nZoom=2\nDocumentsDir=" + banks + "\n\n" + foreign + foreignLast);
    run.start(true);
    EXPECT_EQ(run.panel->documentsDir, Tr::TString(banks.c_str()));
    EXPECT_EQ(run.panel->currentFile, toJuce(lastFile));
    run.settle();
    run.quit();
    // The program's own keys go to the end of their section, in the order
    // written; the output chooser's alias (no port chosen) has a section of its own.
    EXPECT_EQ(readFileBytes(preferences()), "[Current]\nTheme=dark\nZoom=2\nMainLeft=100\nMainTop=80\nFile=" + lastFile
                                                + "\nDocumentsDir=" + banks + "\n\n" + foreign
                                                + "[MIDI.alias]\nName0=MIDI Output Device\nDevice0=2:\n\n" + foreignLast);
}

TEST_F(VaskorContentPanelSettings, APreferencesFileThatCannotBeReadIsLeftAsItIs)
{
    // Too large to be read (2 GB); sparse, so it takes no room.
    writePreferences(preferences(), "");
    fs::resize_file(preferences(), 0x7FFFFFFF);
    run.start(true);
    EXPECT_TRUE(run.panel->currentFile.isEmpty());
    run.quit();
    EXPECT_EQ(fs::file_size(preferences()), 0x7FFFFFFFu);
}

TEST_F(VaskorContentPanelSettings, APreferencesFileThatCannotBeReadWholeGivesDefaultsAndIsLeftAsItIs)
{
    // The text would end at the NUL: the remembered port behind it would be
    // lost if the file were written back from what was read.
    const std::string lastFile = file("Bank.syx");
    TestSupport::writeBytes(lastFile, TestSupport::customBank());
    const std::string text = "[Current]\nMainLeft=100\nFile=" + lastFile + "\n\n[Notes]\nnote=a" + std::string(1, '\0')
                             + "b\n\n[MIDI.out]\nName0=Synth\nOptions0=FF4944494D\n\n";
    writePreferences(preferences(), text);
    run.start(true);
    EXPECT_TRUE(run.panel->currentFile.isEmpty());
    EXPECT_EQ(run.panel->working(), TestSupport::defaultBank());
    run.quit();
    EXPECT_EQ(readFileBytes(preferences()), text);
}

TEST_F(VaskorContentPanelSettings, APreferencesFileLargerThanAnyRealOneGivesDefaultsAndIsLeftAsItIs)
{
    const std::string lastFile = file("Bank.syx");
    TestSupport::writeBytes(lastFile, TestSupport::customBank());
    const std::string text = TestSupport::paddedText("[Current]\nMainLeft=100\nFile=" + lastFile + "\n",
                                                     PlatformRegularFile::kMaxTextFileSize + 1);
    writePreferences(preferences(), text);
    run.start(true);
    EXPECT_TRUE(run.panel->currentFile.isEmpty());
    EXPECT_EQ(run.panel->working(), TestSupport::defaultBank());
    run.quit();
    EXPECT_TRUE(readFileBytes(preferences()) == text) << "the file was written over";
}

TEST_F(VaskorContentPanelSettings, APreferencesFifoIsNeitherWaitedOnNorReplaced)
{
    fs::create_directories(fs::path(preferences()).parent_path());
    TestSupport::Fifo fifo(preferences());
    ASSERT_TRUE(fifo.isMade());
    run.start(true);
    EXPECT_TRUE(run.panel->currentFile.isEmpty());
    run.quit();
    EXPECT_TRUE(fifo.isStillAFifo());
    EXPECT_FALSE(fifo.wasOpenedForReading());
}

namespace
{
struct LastFileCase
{
    const char* name;
    bool present;
};

void PrintTo(const LastFileCase& c, std::ostream* os)
{
    *os << c.name << (c.present ? " present" : " missing");
}

class VaskorContentPanelLastFile : public VaskorContentPanelSettings,
                                   public ::testing::WithParamInterface<LastFileCase>
{
};
} // namespace

TEST_P(VaskorContentPanelLastFile, OpensAgainAtStartOrKeepsItsNameWhileTheDefaultBankLoads)
{
    const std::string lastFile = file(GetParam().name);
    if (GetParam().present)
        TestSupport::writeBytes(lastFile, TestSupport::customBank());
    writePreferences(preferences(), "[Current]\nFile=" + lastFile + "\n");
    run.start(true);

    EXPECT_EQ(run.panel->currentFile, toJuce(lastFile));
    EXPECT_EQ(run.panel->working(), GetParam().present ? TestSupport::customBank() : TestSupport::defaultBank());
    EXPECT_EQ(run.title(), std::string(baseTitle) + " - " + GetParam().name);
    EXPECT_TRUE(run.dialogs.boxes.empty());
    run.quit();
    EXPECT_EQ(readKey(preferences(), "Current", "File"), lastFile);
}

INSTANTIATE_TEST_SUITE_P(Settings, VaskorContentPanelLastFile,
                         ::testing::Values(LastFileCase {"Bänk.syx", true}, LastFileCase {"Gone.syx", false}),
                         [](const ::testing::TestParamInfo<LastFileCase>& info) {
                             return info.param.present ? std::string("Present") : std::string("Missing");
                         });

namespace
{
/** Runs one start of the program in a child process of its own (the MIDI
    library lives once per process) with the output port "Synth" present, and
    answers whether it passed. */
bool runInChildProcess(const std::function<void(PanelRun&)>& body)
{
    const pid_t child = ::fork();
    if (child == 0)
    {
        {
            TestSupport::ScopedMidiBackend<> midi;
            midi->addOutput("Synth");
            PanelRun run;
            body(run);
        }
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
} // namespace

// The file a run writes is read by the next one: each run is a process of its
// own, as the program's are.
TEST(VaskorContentPanelSettingsMidi, AnOpenOutputIsRememberedAndTheNextStartOpensItAgain)
{
    TestSupport::TempHome home;
    const std::string preferences = userPreferences(home);

    const auto openTheOutput = [&preferences](PanelRun& run) {
        run.start(true); // the panel's own start-up has listed the ports
        Tr::MidiManager* manager = Tr::MidiManager::getInstance();
        const int synth = manager->findDeviceByName("Synth", false);
        ASSERT_GE(synth, 0);
        manager->openDevice(synth, false, true);
        ASSERT_TRUE(manager->getDevice(synth, false)->isOpen());
        // The port gets an alias of its own name, which the alias manager writes.
        Tr::TMidiAliasManager* aliases = Tr::TMidiAliasManager::getInstance();
        aliases->setAutoBind(true);
        Tr::TIniFile aliasState;
        aliases->saveState(aliasState);
        const std::vector<std::string> aliasLines = linesOf(aliasState.getSection("MIDI.alias"));
        ASSERT_FALSE(aliasLines.empty());
        run.quit();
        EXPECT_EQ(sectionOf(preferences, "MIDI.alias"), aliasLines);
    };
    ASSERT_TRUE(runInChildProcess(openTheOutput));

    EXPECT_EQ(sectionOf(preferences, "MIDI.out"), (std::vector<std::string> {"Name0=Synth", "Options0=FF4944494D"}));
    EXPECT_EQ(sectionOf(preferences, "MIDI.in"), std::vector<std::string>());

    const auto startAgain = [](PanelRun& run) {
        run.start(false);
        // Before the first rescan the manager knows only what was remembered.
        Tr::MidiManager* manager = Tr::MidiManager::getInstance();
        ASSERT_EQ(manager->getDeviceCount(false), 1);
        Tr::MidiManagerDev* placeholder = manager->getDevice(0, false);
        EXPECT_EQ(placeholder->getDescriptorDisplayName(), "Synth");
        EXPECT_FALSE(placeholder->isPresent());
        EXPECT_TRUE(placeholder->isWantedOpen());
        const Tr::TMidiAliasManager* aliases = Tr::TMidiAliasManager::getInstance();
        const int alias = aliases->find("Synth", Tr::kMidiKindOutput);
        ASSERT_GE(alias, 0);
        EXPECT_EQ(aliases->getAliasAt(alias)->getDeviceName(), "Synth");

        // The panel's own start-up opens it again.
        ASSERT_TRUE(TestSupport::runLoopUntil([&run] { return run.panel->afterStartRan; }, 5000));
        EXPECT_EQ(manager->findDeviceByName("Synth", false), 0);
        EXPECT_TRUE(placeholder->isPresent());
        EXPECT_TRUE(placeholder->isOpen());
        run.quit();
    };
    EXPECT_TRUE(runInChildProcess(startAgain));
    EXPECT_EQ(sectionOf(preferences, "MIDI.out"), (std::vector<std::string> {"Name0=Synth", "Options0=FF4944494D"}));
}
