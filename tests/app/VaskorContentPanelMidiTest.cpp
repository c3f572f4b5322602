// The MIDI side of the main panel in a real main window, over the in-memory
// MIDI backend: the output chooser of the first row, SEND following it, the
// question before a send, the block that goes out, the error when no port
// takes it, and the wait after a send.
#include "ComboBoxMidi.h"
#include "DialogSeam.h"
#include "MidiManager.h"
#include "TTimer.h"

#include "PanelTestSupport.h"
#include "WindowTestSupport.h"
#include "support/MidiTestSupport.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace
{
using TestSupport::Bytes;
using TestSupport::PanelProbe;
using TestSupport::PanelWindow;

// Windows in these tests live without an application object.
[[maybe_unused]] const bool standalone = TestSupport::standaloneToolkitProgram;

const std::string question = "Confirm|Sending the data will write (and overwrite) all 19 programs.\n"
                             "Do you want to send all programs now?";
const std::string sendError = "Error|An error occurred when sending the Vaskor MIDI 5 File.\n"
                              "Please verify the MIDI port.";
// Output 0 is the platform's "MIDI Mapper"; "Synth A" is id 2, "Synth B" id 3.
constexpr int synthBId = 3;
constexpr int yes = 1;

Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class VaskorContentPanelMidiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        synthA = backend->addOutput("Synth A", "mem:a");
        synthB = backend->addOutput("Synth B", "mem:b");
        answer = yes;
    }

    /** Opens the main window; with runFirstTick, runs the message loop until
        its first tick has started the MIDI manager and imported the bank. */
    void start(bool runFirstTick = true)
    {
        window = std::make_unique<PanelWindow>();
        ASSERT_TRUE(window->open(runFirstTick));
        panel = window->panel;
    }

    /** The user's pick in the chooser. */
    void choose(int id) { panel->midiOutChooser->setSelectedId(id, juce::sendNotificationSync); }

    /** Presses SEND and lets the message loop deliver the click. */
    void pressSend()
    {
        const size_t before = boxes.size();
        panel->sendButton->triggerClick();
        TestSupport::runLoopUntil([&] { return boxes.size() > before; });
    }

    std::vector<PlatformMidi::MemoryMidiBackend::Message> sentTo(int device) { return backend->received(device); }

    bool sendLooksIdle() const
    {
        return panel->sendButton->getButtonText() == "SEND" && !panel->sending;
    }

    TestSupport::ScopedMidiBackend<> backend;
    TestSupport::TempHome home;
    juce::ScopedJuceInitialiser_GUI gui;
    TestSupport::RecordedDialogs dialogs;
    int& answer = dialogs.answer;
    std::vector<std::string>& boxes = dialogs.boxes;
    int synthA = -1;
    int synthB = -1;
    std::unique_ptr<PanelWindow> window;
    PanelProbe* panel = nullptr;
};
} // namespace

TEST_F(VaskorContentPanelMidiTest, TheChooserStandsInTheFirstRowAndSendFollowsIt)
{
    start(false);
    ComboBoxMidi* chooser = panel->midiOutChooser;
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(panel->controls[0], chooser);
    EXPECT_EQ(chooser->getParentComponent(), panel);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->getBounds(), juce::Rectangle<int>(131, 18, 215, 19));
    EXPECT_EQ(chooser->getTooltip(), "select the MIDI port to which your device is connected");
    EXPECT_EQ(chooser->getName(), "ComboBox MIDI OUT");
    EXPECT_EQ(chooser->findColour(juce::ComboBox::backgroundColourId), juce::Colour(153, 153, 153));
    EXPECT_EQ(chooser->findColour(juce::ComboBox::buttonColourId), juce::Colour(191, 191, 191));
    EXPECT_EQ(chooser->findColour(juce::ComboBox::outlineColourId), juce::Colours::transparentBlack);
    // Made with the panel, suspended until the first tick: no port listed yet
    // (reading the preferences may have brought the first rebuild, "(none)").
    ASSERT_TRUE(Tr::MidiManager::exists());
    EXPECT_TRUE(Tr::MidiManager::getInstance()->isSuspended());
    EXPECT_LE(chooser->getNumItems(), 1);

    ASSERT_TRUE(TestSupport::runLoopUntil([this] { return panel->afterStartRan; }, 5000));
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    EXPECT_FALSE(manager->isSuspended());
    ASSERT_EQ(chooser->getNumItems(), 4);
    EXPECT_EQ(chooser->getItemText(3), "Synth B");
    EXPECT_EQ(chooser->getSelectedId(), -1);
    EXPECT_FALSE(panel->sendButton->isEnabled());

    choose(synthBId);
    EXPECT_TRUE(manager->getDevice(synthBId - 1, false)->isOpen());
    EXPECT_TRUE(panel->sendButton->isEnabled());

    choose(-1);
    for (int i = 0; i < manager->getDeviceCount(false); ++i)
        EXPECT_FALSE(manager->getDevice(i, false)->isOpen()) << i;
    EXPECT_FALSE(panel->sendButton->isEnabled());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(VaskorContentPanelMidiTest, AnswersOtherThanYesSendNothing)
{
    start();
    choose(synthBId);
    for (const int refusal : {2 /* No */, 0 /* Cancel */})
    {
        answer = refusal;
        pressSend();
        EXPECT_EQ(boxes.back(), question);
        EXPECT_TRUE(sendLooksIdle());
        EXPECT_TRUE(panel->sendButton->isEnabled());
        EXPECT_EQ(panel->sendTimer, nullptr);
    }
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(sentTo(synthB).empty());
}

TEST_F(VaskorContentPanelMidiTest, ASendNoPortTookShowsTheErrorAndStartsNoWait)
{
    start();
    backend->refuseLongMessages(synthB, MIDIERR_NOTREADY);
    choose(synthBId);
    pressSend();
    EXPECT_EQ(boxes, std::vector<std::string>({question, sendError}));
    EXPECT_TRUE(sendLooksIdle());
    EXPECT_TRUE(panel->sendButton->isEnabled());
    EXPECT_EQ(panel->sendTimer, nullptr);
}

TEST_F(VaskorContentPanelMidiTest, ASendGoesToTheChosenPortAsTheSavedBlockThenWaits6000ms)
{
    start();
    panel->durationCombo->setSelectedItemIndex(5, juce::sendNotificationSync);
    panel->channelCombo->setSelectedItemIndex(0, juce::sendNotificationSync);
    choose(synthBId);
    pressSend();
    const double sentAt = juce::Time::getMillisecondCounterHiRes();

    ASSERT_EQ(sentTo(synthB).size(), 1u);
    EXPECT_TRUE(sentTo(synthA).empty());
    const auto sent = sentTo(synthB)[0];
    EXPECT_TRUE(sent.isLong);
    const std::string saved = home.dir().file("saved.syx");
    panel->saveToFile(juce::String::fromUTF8(saved.c_str()));
    EXPECT_EQ(Bytes(sent.bytes.begin(), sent.bytes.end()), readBytes(saved));
    EXPECT_NE(Bytes(sent.bytes.begin(), sent.bytes.end()), TestSupport::defaultBank()) << "the edits went along";

    EXPECT_EQ(panel->sendButton->getButtonText(), "(waiting for device)");
    EXPECT_FALSE(panel->sendButton->isEnabled());
    ASSERT_NE(panel->sendTimer, nullptr);
    Tr::TTimer* const timer = panel->sendTimer;
    EXPECT_EQ(timer->getInterval(), 6000);
    EXPECT_TRUE(timer->isRunning());

    // Choosing "(none)" meanwhile keeps SEND disabled past the wait.
    choose(-1);
    EXPECT_FALSE(panel->sendButton->isEnabled());
    ASSERT_TRUE(TestSupport::runLoopUntil([this] { return sendLooksIdle(); }, 15000));
    EXPECT_GE(juce::Time::getMillisecondCounterHiRes() - sentAt, 5000.0) << "the wait ended early";
    EXPECT_FALSE(panel->sendButton->isEnabled());
    EXPECT_FALSE(timer->isRunning());

    // The next send after the wait uses the same timer again.
    choose(synthBId);
    EXPECT_TRUE(panel->sendButton->isEnabled());
    pressSend();
    EXPECT_EQ(sentTo(synthB).size(), 2u);
    EXPECT_EQ(panel->sendTimer, timer);
    EXPECT_TRUE(timer->isRunning());
    EXPECT_EQ(panel->sendButton->getButtonText(), "(waiting for device)");
    EXPECT_EQ(boxes, std::vector<std::string>({question, question}));
}

TEST_F(VaskorContentPanelMidiTest, APanelDestroyedDuringAWaitTakesItsTimerAlong)
{
    // Destroyed without saveSettings: nothing of the wait may outlive the panel.
    struct CountingListener : Tr::TTimerListener
    {
        void onTimer() override { ++calls; }
        int calls = 0;
    } listener;
    auto lone = std::make_unique<PanelProbe>();
    lone->sendTimer = lone->createSendTimer(&listener);
    lone->sendTimer->setInterval(10);
    lone->sendTimer->setRunning(true);
    lone.reset();
    TestSupport::runLoopUntil([] { return false; }, 100);
    EXPECT_EQ(listener.calls, 0);
}
