// The MIDI port chooser over the real MIDI manager and multimedia driver on
// the in-memory MIDI backend: its list, what the user's choice opens and
// closes, the selection it shows, whom it tells, and its rebuilds handed over
// from other threads.
#include "AutoDelete.h"
#include "ComboBoxMidi.h"
#include "DialogSeam.h"
#include "MidiManager.h"
#include "TMidiAliasManager.h"

#include "support/MessageLoop.h"
#include "support/MidiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace
{
using Items = std::vector<std::pair<std::string, int>>;

const char* const outputAlias = "MIDI Output Device";
// The manager rescans 2000 ms after a device change; a loaded machine is slower.
constexpr DWORD rescanLimitMs = 10000;

/** Records the selected id each time the chooser reports a change. */
struct RecordingListener : ComboBoxMidiListener
{
    void comboBoxMidiChanged(ComboBoxMidi* chooser) override { ids.push_back(chooser->getSelectedId()); }
    std::vector<int> ids;
};

/** A chooser that counts its rebuilds handed over to the GUI thread, in a
    counter that outlives it. */
class CountingChooser : public ComboBoxMidi
{
public:
    explicit CountingChooser(int& runCounter) : ComboBoxMidi(outputAlias, false), runs(runCounter) {}
    void run(int arg1, int arg2) override
    {
        ++runs;
        ComboBoxMidi::run(arg1, arg2);
    }

private:
    int& runs;
};

class ComboBoxMidiTest : public ::testing::Test
{
protected:
    ~ComboBoxMidiTest() override
    {
        chooser.reset();
        Tr::AutoDelete::deleteAll(); // closes the ports while the backend is there
    }

    /** Output ports named in order, then the chooser, then the start as the
        panel does it: a rescan, then the manager resumes. */
    void start(const std::vector<std::string>& outputs)
    {
        for (const auto& name : outputs)
            keys.push_back(backend->addOutput(name, "mem:" + name));
        manager = Tr::MidiManager::getInstance();
        chooser = std::make_unique<CountingChooser>(runs);
        chooser->addListener(&listener);
        chooser->addListener(&listener);
        manager->rescan(false, true);
        manager->setSuspended(false);
    }

    Items items() const
    {
        Items result;
        for (int i = 0; i < chooser->getNumItems(); ++i)
            result.emplace_back(chooser->getItemText(i).toStdString(), chooser->getItemId(i));
        return result;
    }

    /** What the box shows. */
    std::string shown() const
    {
        if (chooser->getNumItems() == 0)
            return chooser->getTextWhenNoChoicesAvailable().toStdString();
        return chooser->getSelectedId() == 0 ? chooser->getTextWhenNothingSelected().toStdString()
                                             : chooser->getText().toStdString();
    }

    /** The user's pick of the item with that id. */
    void choose(int id) { chooser->setSelectedId(id, juce::sendNotificationSync); }

    bool isOpen(int index) { return manager->getDevice(index, false)->isOpen(); }

    std::string boundDevice()
    {
        return Tr::TMidiAliasManager::getInstance()->lookupAlias(outputAlias, Tr::kMidiKindOutput, false)
            ->getDeviceName()
            .c_str();
    }

    TestSupport::ScopedMidiBackend<> backend;
    juce::ScopedJuceInitialiser_GUI gui;
    std::vector<std::string> boxes;
    DialogSeam::ScopedOverride seam {
        [this](juce::MessageBoxIconType, const juce::String& title, const juce::String& text) {
            boxes.push_back((title + "|" + text).toStdString());
        },
        {}};
    std::vector<int> keys;
    Tr::MidiManager* manager = nullptr;
    int runs = 0;
    RecordingListener listener;
    std::unique_ptr<CountingChooser> chooser;
};
} // namespace

TEST_F(ComboBoxMidiTest, ListsThePresentPortsOfItsKindBehindNone)
{
    keys.push_back(backend->addInput("Keys In", "mem:keys"));
    start({"Synth A", "Synth B"});
    ComboBoxMidi inputs("MIDI Input Device", true);
    manager->notifyDeviceListChanged();

    EXPECT_EQ(chooser->getName(), "ComboBox MIDI OUT");
    EXPECT_EQ(items(), (Items {{"(none)", -1}, {"MIDI Mapper", 1}, {"Synth A", 2}, {"Synth B", 3}}));
    EXPECT_EQ(shown(), "(none)");
    EXPECT_EQ(chooser->getSelectedItemIndex(), 0);
    EXPECT_EQ(listener.ids, std::vector<int>({-1})) << "told once, though added twice";
    EXPECT_EQ(runs, 0) << "the rebuilds ran on the GUI thread at once";
    for (int i = 0; i < manager->getDeviceCount(false); ++i)
        EXPECT_FALSE(isOpen(i)) << "listing opens nothing";

    EXPECT_EQ(inputs.getName(), "ComboBox MIDI IN");
    ASSERT_EQ(inputs.getNumItems(), 2);
    EXPECT_EQ(inputs.getItemText(1), "Keys In");
    EXPECT_EQ(inputs.getItemId(1), 1);
    EXPECT_NE(Tr::TMidiAliasManager::getInstance()->lookupAlias("MIDI Input Device", Tr::kMidiKindInput, false),
              nullptr);
}

TEST_F(ComboBoxMidiTest, ShowsNoDevicesBeforeItsFirstRebuildAndSkipsAbsentPortsAfter)
{
    // Output 0 is the platform's "MIDI Mapper".
    keys.push_back(backend->addOutput("Synth A", "mem:a"));
    keys.push_back(backend->addOutput("Synth B", "mem:b"));
    manager = Tr::MidiManager::getInstance();
    chooser = std::make_unique<CountingChooser>(runs);
    EXPECT_EQ(shown(), "(no devices available)");
    EXPECT_EQ(chooser->getTextWhenNothingSelected(), "(none)");
    EXPECT_FALSE(chooser->isTextEditable());
    EXPECT_EQ(chooser->getJustificationType(), juce::Justification::left);

    manager->rescan(false, true);
    manager->setSuspended(false);
    backend->remove(keys[0]);
    ASSERT_TRUE(TestSupport::runLoopUntil([&] { return chooser->getNumItems() == 3; }, rescanLimitMs));
    EXPECT_EQ(items(), (Items {{"(none)", -1}, {"MIDI Mapper", 1}, {"Synth B", 3}}));
    EXPECT_EQ(chooser->getSelectedDevice(), nullptr);
}

TEST_F(ComboBoxMidiTest, TheUsersChoiceOpensThePortClosesTheOthersAndBindsTheAlias)
{
    start({"Synth A", "Synth B"});
    manager->openDevice(1, false, true);
    ASSERT_EQ(listener.ids, std::vector<int>({-1}));

    choose(3);
    EXPECT_EQ(boundDevice(), "Synth B");
    EXPECT_FALSE(isOpen(0));
    EXPECT_FALSE(isOpen(1));
    EXPECT_TRUE(isOpen(2));
    EXPECT_EQ(shown(), "Synth B");
    EXPECT_EQ(chooser->getSelectedDevice(), manager->getDevice(2, false));
    EXPECT_EQ(listener.ids, std::vector<int>({-1, 3}));

    // Rebuilds and reports that keep the id are not passed on, and open nothing.
    manager->notifyDeviceListChanged();
    Tr::TMidiAliasManager::getInstance()->notifyChange();
    EXPECT_EQ(listener.ids, std::vector<int>({-1, 3}));
    EXPECT_FALSE(isOpen(1));

    choose(-1);
    EXPECT_EQ(boundDevice(), "");
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(isOpen(i)) << i;
    EXPECT_EQ(shown(), "(none)");
    EXPECT_EQ(listener.ids, std::vector<int>({-1, 3, -1}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ComboBoxMidiTest, APortThatCannotBeOpenedShowsTheBoxAndLeavesNoneShownEachTime)
{
    start({"Synth A", "Synth B"});
    backend->failOpen(keys[1], MMSYSERR_ALLOCATED);
    choose(2);
    ASSERT_TRUE(isOpen(1));

    const std::string head = "Error|Error opening MIDI device 'Synth B':\n";
    for (int attempt = 1; attempt <= 2; ++attempt)
    {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        choose(3);
        ASSERT_EQ(boxes.size(), static_cast<size_t>(attempt));
        EXPECT_EQ(boxes.back().rfind(head, 0), 0u) << boxes.back();
        EXPECT_GT(boxes.back().size(), head.size()) << "the reason is given";
        EXPECT_EQ(boundDevice(), "Synth B");
        EXPECT_FALSE(isOpen(1)) << "the other port is closed all the same";
        EXPECT_FALSE(isOpen(2));
        EXPECT_EQ(shown(), "(none)");
    }
    EXPECT_EQ(listener.ids, std::vector<int>({-1, 2, -1}));
}

TEST_F(ComboBoxMidiTest, APortNotPluggedInIsUsedOnceItCanBe)
{
    start({"Synth A", "Synth B"});
    manager->setSuspended(true); // opening now only marks the port wanted
    choose(3);
    EXPECT_EQ(boxes, std::vector<std::string>({"Error|Error opening MIDI device 'Synth B':\n"
                                               "Device is not plugged in. It will be used after plugging it in."}));
    EXPECT_EQ(shown(), "(none)");

    manager->setSuspended(false);
    EXPECT_TRUE(isOpen(2));
    EXPECT_EQ(shown(), "Synth B");
    EXPECT_EQ(listener.ids, std::vector<int>({-1, 3}));
}

TEST_F(ComboBoxMidiTest, APickOverwrittenByARebuildBeforeItsChangeMessageChangesNothing)
{
    start({"Synth A", "Synth B"});
    choose(3);
    manager->closeDevice(2, false, false, true); // still the remembered port, no longer open
    ASSERT_EQ(shown(), "(none)");
    ASSERT_EQ(boundDevice(), "Synth B");

    // The popup's pick posts its change message; a rebuild runs before the
    // message loop delivers it and shows "(none)" again.
    chooser->setSelectedId(2);
    manager->notifyDeviceListChanged();
    TestSupport::runLoopFor(50);
    EXPECT_EQ(boundDevice(), "Synth B") << "the remembered port is kept";
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(isOpen(i)) << i;
    EXPECT_EQ(shown(), "(none)");
    EXPECT_TRUE(boxes.empty());

    // A pick that nothing overwrites is carried out as ever.
    chooser->setSelectedId(2);
    TestSupport::runLoopFor(50);
    EXPECT_EQ(boundDevice(), "Synth A");
    EXPECT_TRUE(isOpen(1));
    EXPECT_EQ(shown(), "Synth A");
}

TEST_F(ComboBoxMidiTest, ABurstOfReportsFromAnotherThreadGivesOneRebuild)
{
    start({"Synth A"});
    chooser->changeItemText(2, "mark"); // gone with the next rebuild
    std::thread other([this] {
        chooser->deviceListChanged();
        chooser->deviceListChanged();
    });
    other.join();
    EXPECT_EQ(chooser->getItemText(2), "mark") << "nothing rebuilt off the GUI thread";

    TestSupport::runLoopFor(100);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(items(), (Items {{"(none)", -1}, {"MIDI Mapper", 1}, {"Synth A", 2}}));

    // A later report is handed over again.
    std::thread([this] { chooser->deviceListChanged(); }).join();
    TestSupport::runLoopFor(100);
    EXPECT_EQ(runs, 2);
}

TEST_F(ComboBoxMidiTest, ARebuildQueuedForAChooserDestroyedMeanwhileDoesNothing)
{
    start({"Synth A"});
    std::thread([this] { chooser->deviceListChanged(); }).join();
    chooser.reset();
    TestSupport::runLoopFor(100);
    EXPECT_EQ(runs, 0);
}

TEST_F(ComboBoxMidiTest, DestroyedAfterTheManagersItAsksForNoneOfThem)
{
    start({"Synth A"});
    Tr::AutoDelete::deleteAll();
    ASSERT_FALSE(Tr::MidiManager::exists());
    EXPECT_NO_THROW(chooser.reset());
    EXPECT_FALSE(Tr::MidiManager::exists());
    EXPECT_FALSE(Tr::TMidiAliasManager::exists());
}
