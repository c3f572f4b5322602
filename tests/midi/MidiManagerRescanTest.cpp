// Tr::MidiManager::rescan: records kept in step with the scripted factory's
// ports, at stable indices, with open ports closed, handed over and reopened.
#include "MidiManager.h"

#include "EMidiError.h"
#include "TIniFile.h"
#include "TMidiAliasManager.h"
#include "TMidiOutputWin.h"

#include "support/MidiManagerJack.h"
#include "support/MidiManagerTestSupport.h"
#include "support/MidiTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using TestSupport::CountingDeviceListListener;
using TestSupport::RecordingControlListener;
using TestSupport::ScriptedDevicePtr;
using TestSupport::ScriptedMidiFactory;
using Strings = std::vector<std::string>;

namespace
{
// The name of an alias that a user binds to the port of their choice, as the
// output chooser does.
const char kChosen[] = "MIDI Output Device";

// Binds the user's alias to the output of that display name.
void choose(const char* name)
{
    Tr::TMidiAliasManager::getInstance()->setAlias(kChosen, Tr::kMidiKindOutput, kChosen, name, true);
}

std::string chosen()
{
    return Tr::TMidiAliasManager::getInstance()->lookupAlias(kChosen, Tr::kMidiKindOutput, false)->getDeviceName().c_str();
}

// The outputs that the manager saves as open or wanted open.
Strings savedOutputs(Tr::MidiManager* manager)
{
    Tr::TIniFile ini;
    manager->saveState(ini);
    Strings names;
    for (int n = 0; ini.valueExists("MIDI.out", ("Name" + std::to_string(n)).c_str()); ++n)
        names.push_back(ini.readString("MIDI.out", ("Name" + std::to_string(n)).c_str(), "").c_str());
    return names;
}

class MidiManagerRescan : public TestSupport::MidiManagerTest
{
protected:
    /** Two ports of one name at known locations, "Synth" and "Synth (2)";
        the user opens and chooses the first. */
    void userOpensTheFirstOfTwins()
    {
        first = factory->addOutput("Synth", "path-1", "usb-1");
        second = factory->addOutput("Synth", "path-2", "usb-2");
        resume();
        manager->openDevice(0, false, true);
        choose("Synth");
        manager->addDeviceControlListener(&listener);
    }

    ScriptedDevicePtr first;
    ScriptedDevicePtr second;
    RecordingControlListener listener;
};
} // namespace

TEST_F(MidiManagerRescan, AnUnpluggedOpenPortKeepsItsIndexAndIsReopenedOnItsReturn)
{
    factory->addOutput("A");
    ScriptedDevicePtr b = factory->addOutput("B");
    factory->addOutput("C");
    resume();
    manager->openDevice(1, false, true);
    RecordingControlListener listener;
    manager->addDeviceControlListener(&listener);
    CountingDeviceListListener list;
    manager->addDeviceListListener(&list);

    factory->remove(b);
    replug();
    EXPECT_TRUE(manager->rescan(false, true));
    EXPECT_EQ(records(false), (Strings{"A", "-B", "C"}));
    EXPECT_EQ(listener.calls, (Strings{"closing out 1", "message out 1 Closed MIDI OUT: B", "state out 1"}));
    EXPECT_TRUE(manager->getDevice(1, false)->isWantedOpen());
    EXPECT_FALSE(b->open);
    EXPECT_EQ(list.count, 1);

    listener.calls.clear();
    factory->addOutput("B"); // back, as the last device number
    replug();
    EXPECT_TRUE(manager->rescan(false, true));
    EXPECT_EQ(records(false), (Strings{"A", "B", "C"}));
    EXPECT_EQ(listener.calls, (Strings{"opening out 1", "message out 1 Opened MIDI OUT: B", "state out 1"}));
    EXPECT_TRUE(factory->devices(false)[2]->open) << "the port that came back is the one opened";
    EXPECT_FALSE(manager->getDevice(1, false)->isWantedOpen());
    EXPECT_EQ(list.count, 2);
}

TEST_F(MidiManagerRescan, WithAnUnchangedCountAPollChangesNothingAndTellsNobody)
{
    factory->addOutput("A");
    factory->addInput("In");
    resume();
    CountingDeviceListListener list;
    manager->addDeviceListListener(&list);
    RecordingControlListener listener;
    manager->addDeviceControlListener(&listener);

    replug();
    EXPECT_FALSE(manager->rescan(false, true));
    EXPECT_EQ(records(false), Strings{"A"});
    EXPECT_EQ(records(true), Strings{"In"});
    EXPECT_EQ(list.count, 0);
    EXPECT_TRUE(listener.calls.empty());

    EXPECT_TRUE(manager->rescan(true, false)) << "a forced rescan answers true";
    EXPECT_EQ(list.count, 0) << "without notify nobody is told";
}

TEST_F(MidiManagerRescan, AnOpenPortFollowsItsDeviceToTheRecordOfItsNewName)
{
    // Two ports of one name at known locations: "Synth" and "Synth (2)".
    ScriptedDevicePtr first = factory->addOutput("Synth", "path-1", "usb-1");
    ScriptedDevicePtr second = factory->addOutput("Synth", "path-2", "usb-2");
    resume();
    ASSERT_EQ(records(false), (Strings{"Synth", "Synth (2)"}));
    manager->openDevice(1, false, true);
    choose("Synth (2)");
    Tr::TMidiDeviceBase* port = manager->getDevice(1, false)->currentPort();
    RecordingControlListener listener;
    manager->addDeviceControlListener(&listener);

    factory->remove(first); // the second one is now the only "Synth"
    replug();
    EXPECT_TRUE(manager->rescan(false, true));

    Tr::MidiManagerDev* plain = manager->getDevice(0, false);
    Tr::MidiManagerDev* old = manager->getDevice(1, false);
    EXPECT_EQ(records(false), (Strings{"Synth", "-Synth (2)"}));
    EXPECT_EQ(plain->currentPort(), port) << "the open port moved to the record of its new name";
    EXPECT_TRUE(plain->isOpen());
    EXPECT_EQ(port->getOwner(), plain);
    EXPECT_EQ(port->getOwnerIndex(), 0);
    EXPECT_EQ(port->getDisplayName(), "Synth");
    EXPECT_EQ(plain->getDescriptor()->getInterfacePath(), "path-2");
    EXPECT_EQ(old->currentPort(), nullptr);
    EXPECT_TRUE(old->getDescriptor()->getInterfacePath().isEmpty()) << "the old record lost its location";
    EXPECT_TRUE(second->open);
    EXPECT_EQ(second->openCount, 1) << "handed over, not reopened";
    EXPECT_TRUE(listener.calls.empty());
    EXPECT_EQ(chosen(), "Synth") << "the user's choice follows the port";
    EXPECT_EQ(savedOutputs(manager), Strings{"Synth"});
}

TEST_F(MidiManagerRescan, AnUnpluggedTwinIsClosedAsItGoesAndReopenedWhenItComesBackUnderAnotherName)
{
    userOpensTheFirstOfTwins(); // the user's port is the first

    // The other one takes the plain name; the user's port is not it.
    factory->remove(first);
    replug();
    EXPECT_TRUE(manager->rescan(false, true));
    EXPECT_EQ(records(false), (Strings{"Synth", "-Synth (2)"}));
    EXPECT_FALSE(first->open);
    EXPECT_FALSE(second->open);
    EXPECT_EQ(listener.calls, (Strings{"closing out 0", "message out 0 Closed MIDI OUT: Synth", "state out 0"}));
    EXPECT_FALSE(manager->getDevice(0, false)->isWantedOpen());
    EXPECT_TRUE(manager->getDevice(1, false)->isWantedOpen()) << "the record it comes back to waits for it";
    EXPECT_EQ(chosen(), "Synth (2)");
    EXPECT_EQ(savedOutputs(manager), Strings{"Synth (2)"});

    // Back, as the second device: opened again.
    listener.calls.clear();
    ScriptedDevicePtr back = factory->addOutput("Synth", "path-1", "usb-1");
    replug();
    EXPECT_TRUE(manager->rescan(false, true));
    EXPECT_EQ(records(false), (Strings{"Synth", "Synth (2)"}));
    EXPECT_TRUE(back->open);
    EXPECT_FALSE(second->open);
    EXPECT_EQ(listener.calls, (Strings{"opening out 1", "message out 1 Opened MIDI OUT: Synth (2)", "state out 1"}));
    EXPECT_EQ(chosen(), "Synth (2)");

    // Away again, and back as the first device: it moves to the plain name.
    factory->remove(back);
    replug();
    manager->rescan(false, true);
    ASSERT_FALSE(back->open);
    factory->remove(second);
    ScriptedDevicePtr front = factory->addOutput("Synth", "path-1", "usb-1");
    ScriptedDevicePtr secondAgain = factory->addOutput("Synth", "path-2", "usb-2");
    replug();
    manager->rescan(false, true);
    EXPECT_EQ(records(false), (Strings{"Synth", "Synth (2)"}));
    EXPECT_TRUE(front->open) << "the user's port";
    EXPECT_FALSE(secondAgain->open);
    EXPECT_EQ(chosen(), "Synth");
}

TEST_F(MidiManagerRescan, TwinsThatSwapNumbersLeaveTheUsersPortOpenUnderItsNewName)
{
    userOpensTheFirstOfTwins();

    Tr::TMidiAliasManager::getInstance()->setAlias("Keys In", Tr::kMidiKindInput, "Keys In", "Synth", true);
    factory->moveToEnd(first); // both stay plugged in
    replug();
    EXPECT_TRUE(manager->rescan(true, true)); // as after a device-change notice
    EXPECT_EQ(records(false), (Strings{"Synth", "Synth (2)"}));
    EXPECT_TRUE(first->open);
    EXPECT_EQ(first->openCount, 1) << "handed over, not reopened";
    EXPECT_FALSE(second->open);
    Tr::MidiManagerDev* moved = manager->getDevice(1, false);
    ASSERT_TRUE(moved->isOpen()) << "the record that carries the user's device now";
    EXPECT_EQ(moved->currentPort()->getOwner(), moved);
    EXPECT_FALSE(manager->getDevice(0, false)->isOpen());
    EXPECT_FALSE(manager->getDevice(0, false)->isWantedOpen());
    EXPECT_TRUE(listener.calls.empty());
    EXPECT_EQ(chosen(), "Synth (2)");
    EXPECT_EQ(Tr::TMidiAliasManager::getInstance()->lookupAlias("Keys In", Tr::kMidiKindInput, false)->getDeviceName(),
              "Synth")
        << "an input's alias does not follow an output";
    EXPECT_EQ(savedOutputs(manager), Strings{"Synth (2)"});

    const std::vector<unsigned char> bank = TestSupport::sysex(690);
    EXPECT_TRUE(manager->send(bank.data(), static_cast<int>(bank.size())));
    EXPECT_EQ(first->longMessages.size(), 1u);
    EXPECT_TRUE(second->longMessages.empty());
}

TEST_F(MidiManagerRescan, AnUnpluggedTwinWhoseRecordsAreAllTakenIsWaitedForInARecordOfItsOwn)
{
    // The user's port goes while a third twin arrives: both records of the
    // name are taken by the devices listed now.
    userOpensTheFirstOfTwins();

    factory->remove(first);
    ScriptedDevicePtr third = factory->addOutput("Synth", "path-3", "usb-3");
    replug();
    EXPECT_TRUE(manager->rescan(true, true)); // as after a device-change notice: the count is the same
    ASSERT_EQ(manager->getDeviceCount(false), 3);
    EXPECT_EQ(records(false), (Strings{"Synth", "Synth (2)", "-Synth (3)"}));
    EXPECT_FALSE(second->open);
    EXPECT_FALSE(third->open);
    EXPECT_EQ(listener.calls, (Strings{"closing out 0", "message out 0 Closed MIDI OUT: Synth", "state out 0"}));
    EXPECT_TRUE(manager->getDevice(2, false)->isWantedOpen()) << "the record the user's port comes back to";
    EXPECT_EQ(chosen(), "Synth (3)");
    EXPECT_EQ(savedOutputs(manager), Strings{"Synth (3)"});
    manager->rescan(true, true); // another look changes nothing
    EXPECT_EQ(records(false), (Strings{"Synth", "Synth (2)", "-Synth (3)"}));
    EXPECT_FALSE(second->open);
    EXPECT_FALSE(third->open);

    // Back while the other two stay: opened under the name it waited with.
    ScriptedDevicePtr back = factory->addOutput("Synth", "path-1", "usb-1");
    replug();
    EXPECT_TRUE(manager->rescan(false, true));
    EXPECT_EQ(records(false), (Strings{"Synth", "Synth (2)", "Synth (3)"}));
    EXPECT_TRUE(back->open);
    EXPECT_FALSE(second->open);
    EXPECT_FALSE(third->open);

    // The other two gone: it is the only "Synth", still open.
    factory->remove(second);
    factory->remove(third);
    replug();
    EXPECT_TRUE(manager->rescan(false, true));
    EXPECT_TRUE(back->open);
    EXPECT_TRUE(manager->getDevice(0, false)->isOpen());
    EXPECT_EQ(chosen(), "Synth");
    EXPECT_EQ(savedOutputs(manager), Strings{"Synth"});
}

TEST_F(MidiManagerRescan, AnAbsentPlaceholderOfAnotherFactoryTakesTheListedPortAtItsOwnIndex)
{
    ASSERT_EQ(manager->restoreOutput("Old", 0, true), 0);
    ASSERT_EQ(manager->restoreOutput("Synth", 0x12345678, true), 1); // no such factory: id 0
    factory->addOutput("Synth");
    resume();
    EXPECT_EQ(records(false), (Strings{"-Old", "Synth"}));
    EXPECT_EQ(manager->getDevice(1, false)->getFactoryId(), ScriptedMidiFactory::kDefaultId);
}

TEST_F(MidiManagerRescan, APresentPortOfAnotherFactoryWithTheSameNameKeepsItsRecord)
{
    auto* other = new ScriptedMidiFactory(0x32444E32);
    other->addOutput("Synth");
    manager->addFactory(other, false);
    factory->addOutput("Synth");
    resume();
    EXPECT_EQ(records(false), (Strings{"Synth", "Synth"}));
    EXPECT_EQ(manager->getDevice(0, false)->getFactoryId(), ScriptedMidiFactory::kDefaultId);
    EXPECT_EQ(manager->getDevice(1, false)->getFactoryId(), 0x32444E32u);
}

TEST_F(MidiManagerRescan, ARescanAskedForByAControlListenerAnswersFalseAndMakesAnotherPass)
{
    ScriptedDevicePtr a = factory->addOutput("A");
    ASSERT_EQ(manager->restoreOutput("A", ScriptedMidiFactory::kDefaultId, true), 0);
    manager->openDevice(0, false, true); // suspended: wanted open
    RecordingControlListener listener;
    manager->addDeviceControlListener(&listener);
    std::vector<bool> nested;
    listener.action = [&] {
        if (!nested.empty())
            return;
        factory->addOutput("B"); // seen only by another pass
        replug();
        nested.push_back(manager->rescan(true, true));
    };
    resume(); // opens "A" in its presence pass, which calls the listener

    EXPECT_EQ(nested, std::vector<bool>{false});
    EXPECT_EQ(records(false), (Strings{"A", "B"})) << "the pass asked for found the new port";
    EXPECT_TRUE(a->open);
    CountingDeviceListListener list;
    manager->addDeviceListListener(&list);
    EXPECT_TRUE(manager->rescan(true, true)) << "the manager is not left busy";
    EXPECT_EQ(list.count, 1);
}

TEST_F(MidiManagerRescan, ADeviceListListenerThatThrowsDoesNotLeaveTheManagerBusy)
{
    factory->addOutput("A");
    CountingDeviceListListener list;
    list.action = [&] {
        if (list.count == 1)
            throw Tr::Exception("listener failed");
    };
    manager->addDeviceListListener(&list);
    replug();
    EXPECT_THROW(manager->setSuspended(false), Tr::Exception);
    EXPECT_TRUE(manager->rescan(true, true));
    EXPECT_EQ(list.count, 2);
}

TEST_F(MidiManagerRescan, AFactoryFailureReachesTheCallerAndLeavesTheManagerUsable)
{
    factory->addOutput("A");
    resume();
    factory->addOutput("B");
    replug();
    factory->failNextEnumerate("driver gone");
    try
    {
        manager->rescan(true, true);
        ADD_FAILURE() << "no exception";
    }
    catch (const Tr::Exception& e)
    {
        EXPECT_STREQ(e.what(), "driver gone");
    }
    replug();
    EXPECT_TRUE(manager->rescan(true, true));
    EXPECT_EQ(records(false), (Strings{"A", "B"}));
}

TEST_F(MidiManagerRescan, AChangeReopensTheOpenPortsListedAfterItWhenTheyHaveNoLocation)
{
    // Without a location the open port's device number may have moved: it is
    // closed quietly and opened again by its new number.
    ScriptedDevicePtr a = factory->addOutput("A");
    resume();
    manager->openDevice(0, false, true);
    RecordingControlListener listener;
    manager->addDeviceControlListener(&listener);

    factory->remove(a);
    factory->addOutput("New");
    ScriptedDevicePtr movedA = factory->addOutput("A"); // now device number 1
    replug();
    EXPECT_TRUE(manager->rescan(false, true));
    EXPECT_EQ(records(false), (Strings{"A", "New"}));
    EXPECT_FALSE(a->open);
    EXPECT_TRUE(movedA->open);
    EXPECT_EQ(listener.calls, (Strings{"opening out 0", "message out 0 Opened MIDI OUT: A", "state out 0"}));
}

TEST_F(MidiManagerRescan, TheAliasesFollowTheirPortsAcrossRescans)
{
    ScriptedDevicePtr a = factory->addOutput("A");
    ScriptedDevicePtr b = factory->addOutput("B");
    factory->addInput("B");
    resume();
    Tr::TMidiAliasManager* aliases = Tr::TMidiAliasManager::getInstance();
    Tr::TMidiAlias* outB = aliases->lookupAlias("B", Tr::kMidiKindOutput, false);
    Tr::TMidiAlias* inB = aliases->lookupAlias("B", Tr::kMidiKindInput, false);
    ASSERT_NE(outB, nullptr) << "every port gets an alias of its own name";
    ASSERT_NE(inB, nullptr);
    EXPECT_EQ(outB->getDeviceIndex(), 1);
    EXPECT_EQ(outB->getFactoryId(), ScriptedMidiFactory::kDefaultId);
    EXPECT_EQ(inB->getDeviceIndex(), 0);
    EXPECT_EQ(manager->getDevice(1, false)->getAliases().count(), 1);

    factory->remove(b);
    replug();
    manager->rescan(false, true);
    EXPECT_EQ(outB->getDeviceIndex(), -1) << "an absent port binds no alias";
    EXPECT_EQ(outB->getFactoryId(), 0u);
    EXPECT_EQ(inB->getDeviceIndex(), 0);
}

TEST(MidiManagerRescanOverTheDriver, APortThatWentAwayAndCameBackBetweenTwoRescansIsOpenedAgain)
{
    juce::ScopedJuceInitialiser_GUI juce;
    TestSupport::ScopedMidiBackend<> backend;
    const int first = backend->addOutput("Synth");
    Tr::MidiManager* manager = TestSupport::startManagerAsTheProgramDoes();
    const int index = manager->findDeviceByName("Synth", false);
    ASSERT_GE(index, 0);
    manager->openDevice(index, false, true);
    RecordingControlListener listener;
    manager->addDeviceControlListener(&listener);

    // Gone and back under the same name before the manager looks again: the
    // record stays present, on a handle that the system has closed.
    backend->remove(first);
    const int second = backend->addOutput("Synth");
    auto* port = dynamic_cast<Tr::TMidiOutputWin*>(manager->getDevice(index, false)->currentPort());
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(TestSupport::waitFor([&] { return port->isClosedBySystem(); }));
    const std::vector<unsigned char> bank = TestSupport::sysex(690);
    EXPECT_FALSE(manager->send(bank.data(), static_cast<int>(bank.size())));

    manager->rescan(true, true); // as the device-change notifier rescans
    Tr::MidiManagerDev* device = manager->getDevice(index, false);
    EXPECT_TRUE(device->isOpen());
    EXPECT_FALSE(device->isWantedOpen());
    EXPECT_EQ(listener.calls, (Strings{"opening out " + std::to_string(index),
                                       "message out " + std::to_string(index) + " Opened MIDI OUT: Synth",
                                       "state out " + std::to_string(index)}));
    EXPECT_TRUE(manager->send(bank.data(), static_cast<int>(bank.size())));
    ASSERT_EQ(backend->received(second).size(), 1u);
    EXPECT_EQ(backend->received(second)[0].bytes, bank);
    Tr::AutoDelete::deleteAll(); // closes the port while the backend is still there
}
