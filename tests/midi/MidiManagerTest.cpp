// Tr::MidiManager: life cycle, device queries, opening and closing with the
// control listeners' messages, sending, and the data path.
#include "MidiManager.h"

#include "EMidiError.h"
#include "MidiManagerInitializer.h"
#include "TMidiAliasManager.h"
#include "TMidiRouter.h"

#include "support/MidiManagerTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using TestSupport::RecordingControlListener;
using TestSupport::ScriptedDevicePtr;
using TestSupport::ScriptedMidiFactory;
using Strings = std::vector<std::string>;

namespace
{
using MidiManager = TestSupport::MidiManagerTest;

const std::vector<uint8_t> kBank(690, 0x42);

// Records the output indices a send visits; can end the send.
class RecordingOutFilter : public Tr::MidiOutDeviceFilter
{
public:
    void filterOutput(int outputIndex, const unsigned char**, int*, int* proceed) override
    {
        visited.push_back(outputIndex);
        if (stop)
            *proceed = 0;
    }

    std::vector<int> visited;
    bool stop = false;
};

// Writes "<name>.<hook>" for each hook.
class RecordingInitializer : public Tr::MidiManagerInitializer
{
public:
    RecordingInitializer(std::string name, Strings& calls) : m_name(std::move(name)), m_calls(calls) {}
    ~RecordingInitializer() override { m_calls.push_back(m_name + ".deleted"); }
    void onManagerConstructed() override { m_calls.push_back(m_name + ".constructed"); }
    void onManagerReady() override
    {
        m_calls.push_back(m_name + ".ready");
        readyWithAliasesAndRouter = Tr::TMidiAliasManager::exists() && Tr::TMidiRouter::exists();
    }
    void onManagerDestroying() override { m_calls.push_back(m_name + ".destroying"); }

    bool readyWithAliasesAndRouter = false;

private:
    std::string m_name;
    Strings& m_calls;
};
} // namespace

TEST(MidiManagerLifeCycle, InitializersAreCalledInOrderAndDeletedWithTheManager)
{
    juce::ScopedJuceInitialiser_GUI juce;
    Strings calls;
    auto* a = new RecordingInitializer("A", calls);
    Tr::MidiManager::registerInitializer(a);
    Tr::MidiManager::registerInitializer(new RecordingInitializer("B", calls));
    Tr::MidiManager::registerInitializer(a);

    EXPECT_FALSE(Tr::MidiManager::exists());
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    EXPECT_EQ(Tr::MidiManager::getInstance(), manager);
    EXPECT_TRUE(a->readyWithAliasesAndRouter) << "the alias manager and the router exist before onManagerReady";
    EXPECT_TRUE(manager->isSuspended());
    Tr::AutoDelete::deleteAll();

    EXPECT_EQ(calls, (Strings{"A.constructed", "B.constructed", "A.ready", "B.ready", "A.destroying", "B.destroying",
                              "A.deleted", "B.deleted"}));
    EXPECT_EQ(Tr::midiManagerInitializers(), nullptr);
    EXPECT_FALSE(Tr::MidiManager::exists());
}

TEST(MidiManagerLifeCycle, NoSingletonComesBackAfterTheRegistryDestroyedThem)
{
    juce::ScopedJuceInitialiser_GUI juce;
    Tr::MidiManager::getInstance();
    ASSERT_TRUE(Tr::TMidiAliasManager::exists());
    ASSERT_TRUE(Tr::TMidiRouter::exists());
    Tr::AutoDelete::deleteAll();

    const struct
    {
        const char* message;
        std::function<void()> ask;
    } cases[] = {
        {"Cannot re-instanciate MidiManager!", [] { Tr::MidiManager::getInstance(); }},
        {"Cannot re-instantiate TMidiAliasManager!", [] { Tr::TMidiAliasManager::getInstance(); }},
        {"Cannot re-instanciate TMidiRouter!", [] { Tr::TMidiRouter::getInstance(); }},
    };
    for (const auto& c : cases)
    {
        try
        {
            c.ask();
            ADD_FAILURE() << "no exception for " << c.message;
        }
        catch (const Tr::Exception& e)
        {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
    EXPECT_FALSE(Tr::MidiManager::exists());
    EXPECT_FALSE(Tr::TMidiAliasManager::exists());
    EXPECT_FALSE(Tr::TMidiRouter::exists());
}

TEST_F(MidiManager, ASuspendedManagerThatNeverScannedDoesNotScanOnAQuery)
{
    factory->addOutput("A");
    EXPECT_EQ(manager->getDeviceCount(false), 0);
    EXPECT_EQ(manager->getDevice(0, false), nullptr);
    EXPECT_EQ(manager->findDeviceByName("A", false), -1);
    EXPECT_EQ(factory->enumerateCount(), 0);
}

TEST_F(MidiManager, ResumingListsEveryPortInTheFactorysOrderAndALaterFactoryOnTheNextQuery)
{
    factory->addOutput("A");
    factory->addOutput("B");
    factory->addOutput("A");
    factory->addInput("In");
    resume();
    EXPECT_EQ(records(false), (Strings{"A", "B", "A (2)"}));
    EXPECT_EQ(records(true), (Strings{"In"}));
    EXPECT_EQ(manager->getDevice(2, false)->getIndex(), 2);
    EXPECT_EQ(manager->getDevice(3, false), nullptr);
    EXPECT_EQ(manager->getDevice(-1, false), nullptr);
    // Two remembered ports of one name, of two families.
    ASSERT_EQ(manager->restoreOutput("Z", ScriptedMidiFactory::kDefaultId, true), 3);
    ASSERT_EQ(manager->restoreOutput("Z", 0, true), 4);
    EXPECT_EQ(manager->findDeviceByName("Z", false), 4) << "the highest index of the name";

    auto* second = new ScriptedMidiFactory(0x32444E32);
    second->addOutput("C");
    manager->addFactory(second, false); // no scan now: the next query scans
    EXPECT_EQ(records(false), (Strings{"A", "B", "A (2)", "-Z", "-Z", "C"}));
    EXPECT_EQ(manager->findFactory(0x32444E32), second);
    EXPECT_EQ(manager->findFactoryIndex(0x32444E32), 1);
    EXPECT_EQ(manager->findFactory(0x12345678), nullptr);
}

TEST_F(MidiManager, OpeningWhileSuspendedOrAbsentOnlyMarksTheDeviceWanted)
{
    ScriptedDevicePtr a = factory->addOutput("A");
    RecordingControlListener listener;
    manager->addDeviceControlListener(&listener);

    ASSERT_EQ(manager->restoreOutput("A", ScriptedMidiFactory::kDefaultId, true), 0); // absent placeholder
    manager->openDevice(0, false, true);
    EXPECT_TRUE(manager->getDevice(0, false)->isWantedOpen());
    EXPECT_FALSE(a->open) << "suspended: nothing opens";

    factory->remove(a);
    resume();
    manager->openDevice(0, false, true);
    EXPECT_TRUE(manager->getDevice(0, false)->isWantedOpen());
    EXPECT_EQ(manager->getDevice(0, false)->currentPort(), nullptr) << "absent: no port is made";
    EXPECT_TRUE(listener.calls.empty());
}

TEST_F(MidiManager, OpenAndCloseTellTheControlListenersLastRegisteredFirst)
{
    factory->addOutput("A");
    ScriptedDevicePtr b = factory->addOutput("B");
    ScriptedDevicePtr in = factory->addInput("In");
    resume();
    Strings calls;
    RecordingControlListener first("first");
    RecordingControlListener second("second");
    first.sink = &calls;
    second.sink = &calls;
    manager->addDeviceControlListener(&first);
    manager->addDeviceControlListener(&second);
    manager->addDeviceControlListener(&first);

    manager->openOutput(1, true);
    EXPECT_TRUE(b->open);
    EXPECT_TRUE(manager->getDevice(1, false)->isOpen());
    EXPECT_FALSE(manager->getDevice(1, false)->isWantedOpen());
    manager->closeOutput(1, true, false);
    EXPECT_FALSE(b->open);
    EXPECT_EQ(calls, (Strings{"second: opening out 1", "first: opening out 1",
                              "second: message out 1 Opened MIDI OUT: B", "second: state out 1",
                              "first: message out 1 Opened MIDI OUT: B", "first: state out 1",
                              "second: closing out 1", "first: closing out 1",
                              "second: message out 1 Closed MIDI OUT: B", "second: state out 1",
                              "first: message out 1 Closed MIDI OUT: B", "first: state out 1"}));

    manager->removeDeviceControlListener(&first);
    calls.clear();
    manager->openInput(0, true);
    EXPECT_TRUE(in->started) << "an input is started after it opens";
    manager->closeInput(0, true, false);
    EXPECT_FALSE(in->open);
    EXPECT_EQ(calls, (Strings{"second: opening in 0", "second: message in 0 Opened MIDI IN: In", "second: state in 0",
                              "second: closing in 0", "second: message in 0 Closed MIDI IN: In",
                              "second: state in 0"}));
}

TEST_F(MidiManager, AClosingListenerThatReplacesThePortLeavesNothingToClose)
{
    // The listener hands the record a descriptor of another factory, which
    // deletes the port being closed (its destructor closes it).
    auto* other = new ScriptedMidiFactory(0x32444E32);
    ScriptedDevicePtr devices[] = {factory->addOutput("Out"), factory->addInput("In")};
    resume();
    for (const bool isInput : {false, true})
    {
        SCOPED_TRACE(isInput ? "input" : "output");
        manager->openDevice(0, isInput, true);
        Tr::MidiManagerDev* record = manager->getDevice(0, isInput);
        const Tr::MidiDeviceDescriptor elsewhere(other, isInput, 0, "Elsewhere", "", "", "");
        RecordingControlListener listener;
        listener.action = [&] {
            if (listener.calls.back() == std::string("closing ") + (isInput ? "in" : "out") + " 0")
                record->setDescriptor(&elsewhere);
        };
        manager->addDeviceControlListener(&listener);
        manager->closeDevice(0, isInput, true, false);
        manager->removeDeviceControlListener(&listener);
        EXPECT_EQ(record->currentPort(), nullptr);
        EXPECT_FALSE(devices[isInput]->open);
        EXPECT_EQ(devices[isInput]->closeCount, 1);
        EXPECT_FALSE(record->isWantedOpen());
        EXPECT_EQ(listener.calls.size(), 3u) << "closing, the closed message and the state change";
    }
}

TEST_F(MidiManager, APortThatCannotBeOpenedIsReportedAndLeftClosed)
{
    struct Case
    {
        const char* what;
        bool isInput;
        bool throws; // the driver throws, else the port just stays closed
        bool report;
        const char* thrown;    // with report
        const char* listened;  // without report
    };
    const Case cases[] = {
        {"driver error, output, thrown", false, true, true, "port busy", nullptr},
        {"driver error, output, to listeners", false, true, false, nullptr, "error out 0 port busy"},
        {"stays closed, output, thrown", false, false, true, "MIDI OUT: MIDI OUT device \"Dev\" could not be opened.",
         nullptr},
        {"stays closed, input, to listeners", true, false, false, nullptr,
         "error in 0 MIDI IN device \"Dev\" could not be opened."},
    };
    ScriptedDevicePtr output = factory->addOutput("Dev");
    ScriptedDevicePtr input = factory->addInput("Dev");
    resume();
    RecordingControlListener listener;
    manager->addDeviceControlListener(&listener);
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        ScriptedDevicePtr device = c.isInput ? input : output;
        device->openError = c.throws ? "port busy" : "";
        device->openLeavesClosed = !c.throws;
        listener.calls.clear();
        Tr::MidiManagerDev* record = manager->getDevice(0, c.isInput);
        record->setWantedOpen(false);
        if (c.report)
        {
            try
            {
                manager->openDevice(0, c.isInput, true);
                ADD_FAILURE() << "no exception";
            }
            catch (const Tr::Exception& e)
            {
                EXPECT_STREQ(e.what(), c.thrown);
                EXPECT_EQ(record->getErrorText(), c.thrown);
            }
        }
        else
        {
            manager->openDevice(0, c.isInput, false);
            ASSERT_FALSE(listener.calls.empty());
            EXPECT_EQ(listener.calls.back(), c.listened);
        }
        EXPECT_FALSE(record->isOpen());
        EXPECT_FALSE(record->isWantedOpen()) << "a failed open does not mark the device wanted";
        EXPECT_EQ(listener.calls.front(), std::string("opening ") + (c.isInput ? "in" : "out") + " 0");
    }
}

TEST_F(MidiManager, AnIllegalIndexIsReportedWithIndexMinusOne)
{
    factory->addOutput("A");
    resume();
    RecordingControlListener listener;
    manager->addDeviceControlListener(&listener);
    try
    {
        manager->openDevice(1, false, true);
        ADD_FAILURE() << "no exception";
    }
    catch (const Tr::Exception& e)
    {
        EXPECT_STREQ(e.what(), "MIDI OUT: Internal error: illegal MIDI Out device ID: 1");
    }
    manager->openDevice(-2, true, false);
    manager->closeDevice(7, false, false, false);
    EXPECT_EQ(listener.calls, (Strings{"error in -1 Internal error: illegal MIDI In device ID: -2",
                                       "error out -1 Internal error: illegal MIDI Out device ID: 7"}));
}

TEST_F(MidiManager, ClosingAClosedOrSuspendedDeviceOnlyClearsTheWish)
{
    ScriptedDevicePtr a = factory->addOutput("A");
    resume();
    RecordingControlListener listener;
    manager->addDeviceControlListener(&listener);
    Tr::MidiManagerDev* record = manager->getDevice(0, false);

    record->setWantedOpen(true);
    manager->closeDevice(0, false, true, false);
    EXPECT_FALSE(record->isWantedOpen());
    EXPECT_TRUE(listener.calls.empty());

    manager->openDevice(0, false, true);
    listener.calls.clear();
    manager->setSuspended(true);
    record->setWantedOpen(true);
    manager->closeDevice(0, false, true, false);
    EXPECT_TRUE(a->open) << "suspended without force: the port stays open";
    EXPECT_FALSE(record->isWantedOpen());
    EXPECT_TRUE(listener.calls.empty());

    manager->closeDevice(0, false, true, true);
    EXPECT_FALSE(a->open) << "force closes it";
}

TEST_F(MidiManager, SendPacksUpToThreeBytesIntoOneShortMessageAndSendsLongerOnesWhole)
{
    ScriptedDevicePtr a = factory->addOutput("A");
    resume();
    manager->openDevice(0, false, true);
    const std::vector<uint8_t> one{0xF8}, two{0xC0, 0x05}, three{0x90, 0x3C, 0x40}, sysex{0xF0, 0x7E, 0xF7};
    EXPECT_TRUE(manager->send(one.data(), 1));
    EXPECT_TRUE(manager->send(two.data(), 2));
    EXPECT_TRUE(manager->send(three.data(), 3));
    EXPECT_TRUE(manager->send(sysex.data(), 3)) << "no status byte is looked at";
    EXPECT_TRUE(manager->send(kBank.data(), static_cast<int>(kBank.size())));
    EXPECT_EQ(a->shortMessages, (std::vector<uint32_t>{0xF8, 0x05C0, 0x403C90, 0xF77EF0}));
    ASSERT_EQ(a->longMessages.size(), 1u);
    EXPECT_EQ(a->longMessages[0], kBank);
}

TEST_F(MidiManager, SendGoesToEveryOpenOutputFromTheLastIndexToTheFirst)
{
    ScriptedDevicePtr a = factory->addOutput("A");
    factory->addOutput("B");
    ScriptedDevicePtr c = factory->addOutput("C");
    resume();
    RecordingOutFilter filter;
    manager->addOutFilter(&filter);
    const uint8_t note[] = {0x90, 0x3C, 0x40};

    EXPECT_FALSE(manager->send(note, 3)) << "no open output";
    manager->openDevice(0, false, true);
    manager->openDevice(2, false, true);
    c->refuseSends = true;
    EXPECT_TRUE(manager->send(note, 3)) << "one port took it";
    EXPECT_EQ(filter.visited, (std::vector<int>{2, 0}));
    EXPECT_EQ(a->shortMessages.size(), 1u);
    a->refuseSends = true;
    EXPECT_FALSE(manager->send(note, 3)) << "every port refused it";

    filter.stop = true;
    filter.visited.clear();
    EXPECT_TRUE(manager->send(note, 3)) << "a filter that ends the send answers true";
    EXPECT_EQ(filter.visited, std::vector<int>{2});

    manager->setSuspended(true);
    filter.visited.clear();
    EXPECT_FALSE(manager->send(note, 3));
    EXPECT_TRUE(filter.visited.empty());
}

TEST_F(MidiManager, AFactoryRemovedMarksItsRecordsAbsentAndKeepsTheirIndices)
{
    factory->addOutput("A");
    factory->addInput("In");
    resume();
    // Told from the first registered to the last, each once.
    Strings told;
    TestSupport::CountingDeviceListListener listener, second;
    listener.action = [&] { told.push_back("first"); };
    second.action = [&] { told.push_back("second"); };
    manager->addDeviceListListener(&listener);
    manager->addDeviceListListener(&second);
    manager->addDeviceListListener(&listener);

    auto* other = new ScriptedMidiFactory(0x32444E32);
    manager->removeFactory(other, true);
    EXPECT_EQ(listener.count, 0) << "no record of that factory: nobody is told";

    manager->removeFactory(factory, false);
    EXPECT_EQ(records(false), Strings{"-A"});
    EXPECT_EQ(records(true), Strings{"-In"});
    EXPECT_EQ(listener.count, 0);
    EXPECT_EQ(manager->findFactory(ScriptedMidiFactory::kDefaultId), nullptr);
    manager->removeFactory(factory, true);
    EXPECT_EQ(listener.count, 1);
    EXPECT_EQ(told, (Strings{"first", "second"}));
}

TEST_F(MidiManager, AFactoryAttachedAfterARemovalListsItsPortsWhateverTheCountsBefore)
{
    // The device counts of the last full synchronisation are kept per factory
    // position: they must move with the factories, or a factory attached
    // later inherits a count and skips its first synchronisation.
    auto* second = new ScriptedMidiFactory(0x32444E32);
    factory->addOutput("A1");
    factory->addOutput("A2");
    for (const char* name : {"B1", "B2", "B3"})
        second->addOutput(name);
    manager->addFactory(second, false);
    resume();
    ASSERT_EQ(records(false), (Strings{"A1", "A2", "B1", "B2", "B3"}));

    manager->removeFactory(factory, false);
    auto* third = new ScriptedMidiFactory(0x33444E33);
    for (const char* name : {"C1", "C2", "C3"})
        third->addOutput(name);
    manager->addFactory(third, true);
    EXPECT_EQ(records(false), (Strings{"-A1", "-A2", "B1", "B2", "B3", "C1", "C2", "C3"}));
}

TEST_F(MidiManager, AFactoryThatMovesDownAfterARemovalStillSeesItsCountChange)
{
    // The later factory takes the removed one's position: a poll must compare
    // its count with its own last count, not with the removed factory's.
    auto* second = new ScriptedMidiFactory(0x32444E32);
    factory->addOutput("A1");
    factory->addOutput("A2");
    factory->addInput("A in");
    ScriptedDevicePtr b3;
    for (const char* name : {"B1", "B2", "B3"})
        b3 = second->addOutput(name);
    for (const char* name : {"B in 1", "B in 2"})
        second->addInput(name);
    manager->addFactory(second, false);
    resume();
    ASSERT_EQ(records(false), (Strings{"A1", "A2", "B1", "B2", "B3"}));

    manager->removeFactory(factory, false);
    second->remove(b3);
    second->remove(second->devices(true).back());
    second->advanceMillis(Tr::MidiDeviceFactory::kRefreshInterval);
    EXPECT_TRUE(manager->rescan(false, true));
    EXPECT_EQ(records(false), (Strings{"-A1", "-A2", "B1", "B2", "-B3"}));
    EXPECT_EQ(records(true), (Strings{"-A in", "B in 1", "-B in 2"}));
}

TEST_F(MidiManager, NoMoreThanTenFactoriesAreAttached)
{
    std::vector<ScriptedMidiFactory*> more;
    for (uint32_t id = 1; id <= 10; ++id)
    {
        more.push_back(new ScriptedMidiFactory(id));
        more.back()->addOutput("Port " + std::to_string(id));
        manager->addFactory(more.back(), false);
    }
    EXPECT_EQ(manager->findFactory(9), more[8]);
    EXPECT_EQ(manager->findFactory(10), nullptr) << "the eleventh factory is not attached";
    resume();
    EXPECT_EQ(manager->getDeviceCount(false), 9);
}

namespace
{
// Takes the data of inputs without handling it, and hears of its routing.
class RecordingInputHook : public Tr::MidiInputHook, public Tr::MidiRoutedHook
{
public:
    void onInput(int inputIndex, uint64_t, const unsigned char*, int length, int*) override
    {
        inputs.push_back(std::to_string(inputIndex) + ":" + std::to_string(length));
    }
    void onRouted(const Tr::TMidiAliasList& targets) override { routed.push_back(targets.count()); }

    Strings inputs;
    std::vector<int> routed;
};

// Writes "<name> <index>:<length>" into a shared sink for the data it sees;
// can replace the data with its own, or drop it.
class RecordingInFilter : public Tr::MidiInDeviceFilter
{
public:
    RecordingInFilter(std::string name, Strings& sink) : m_name(std::move(name)), m_sink(sink) {}

    void filterInput(int inputIndex, uint64_t*, const unsigned char** data, int* length, int* proceed) override
    {
        m_sink.push_back(m_name + " " + std::to_string(inputIndex) + ":" + std::to_string(*length));
        if (!replacement.empty())
        {
            *data = replacement.data();
            *length = static_cast<int>(replacement.size());
        }
        if (drop)
            *proceed = 0;
    }

    std::vector<uint8_t> replacement;
    bool drop = false;

private:
    std::string m_name;
    Strings& m_sink;
};
} // namespace

TEST_F(MidiManager, InputDataPassesTheInFiltersAndTheInputHookAndFollowsTheRoutesTheAliasNoticeCollected)
{
    factory->addInput("Keys");
    ScriptedDevicePtr out = factory->addOutput("Synth");
    resume();
    Tr::TMidiAliasManager* aliases = Tr::TMidiAliasManager::getInstance();
    Tr::TMidiRouter::getInstance()->getRoutes().add(
        new Tr::TMidiRoute(aliases->lookupAlias("Keys", Tr::kMidiKindInput, false),
                           aliases->lookupAlias("Synth", Tr::kMidiKindOutput, false)));
    // The alias manager's notice makes the manager collect the inputs' routes.
    aliases->notifyChange();
    manager->openDevice(0, true, true);
    manager->openDevice(0, false, true);
    auto* port = dynamic_cast<TestSupport::ScriptedInput*>(manager->getDevice(0, true)->currentPort());
    ASSERT_NE(port, nullptr);
    const std::vector<uint8_t> note{0x90, 0x3C, 0x40};

    port->receive(note);
    EXPECT_TRUE(out->shortMessages.empty()) << "without an input hook data goes no further";
    RecordingInputHook hook;
    manager->setInputHook(&hook);
    manager->setRoutedHook(&hook);
    port->receive(note);
    EXPECT_EQ(hook.inputs, Strings{"0:3"});
    EXPECT_EQ(out->shortMessages, std::vector<uint32_t>{0x403C90}) << "routed to the output of the route";
    EXPECT_EQ(hook.routed, std::vector<int>{1});

    // The in-filters see the data first, from the first to the last; what
    // they leave goes on, and one that drops it ends its way there.
    Strings filtered;
    RecordingInFilter first("first", filtered), second("second", filtered);
    manager->addInFilter(&first);
    manager->addInFilter(&second);
    manager->addInFilter(&first);
    first.replacement = {0xC0, 0x05};
    port->receive(note);
    EXPECT_EQ(filtered, (Strings{"first 0:3", "second 0:2"}));
    EXPECT_EQ(hook.inputs, (Strings{"0:3", "0:2"}));
    EXPECT_EQ(out->shortMessages, (std::vector<uint32_t>{0x403C90, 0x05C0}));
    first.drop = true;
    filtered.clear();
    port->receive(note);
    EXPECT_EQ(filtered, Strings{"first 0:3"}) << "the filters after the one that dropped it see nothing";
    EXPECT_EQ(hook.inputs.size(), 2u) << "dropped data reaches no hook";
    EXPECT_EQ(out->shortMessages.size(), 2u);
    manager->removeInFilter(&first);
    manager->removeInFilter(&second);
}
