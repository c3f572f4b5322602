// Tr::TMidiAliasManager: updates and their notices, binding ports to aliases
// of their names, and the "MIDI.alias" settings.
#include "TMidiAliasManager.h"

#include "support/MidiManagerTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using TestSupport::ScriptedDevicePtr;
using Strings = std::vector<std::string>;

namespace
{
// Counts the notices; runs an optional action in each.
class CountingAliasListener : public Tr::TMidiAliasChangeListener
{
public:
    void aliasesChanged() override
    {
        ++count;
        if (action)
            action();
    }
    int count = 0;
    std::function<void()> action;
};

// The alias manager beside a manager with a scripted factory, and a
// listener counting its notices.
class TMidiAliasManagerTest : public TestSupport::MidiManagerTest
{
protected:
    TMidiAliasManagerTest() { aliases->addListener(&listener); }

    // "name=kind:device" for every alias, in order.
    Strings all() const
    {
        Strings lines;
        for (int i = 0; i < aliases->getAliasCount(); ++i)
        {
            const Tr::TMidiAlias* a = aliases->getAliasAt(i);
            lines.push_back(std::string(a->getName().c_str()) + "=" + std::to_string(a->getKind()) + ":"
                            + a->getDeviceName().c_str());
        }
        return lines;
    }

    // The section's lines in order.
    static Strings section(Tr::TIniFile& ini)
    {
        const Tr::TStringList& lines = ini.getSection("MIDI.alias");
        Strings out;
        for (int i = 0; i < lines.count(); ++i)
            out.push_back(lines.at(i).c_str());
        return out;
    }

    Tr::TMidiAliasManager* aliases = Tr::TMidiAliasManager::getInstance();
    CountingAliasListener listener;
};
} // namespace

TEST_F(TMidiAliasManagerTest, SetAliasChangesAndTellsOnlyWhenSomethingDiffers)
{
    // The listeners are told from the first registered to the last, each once.
    Strings told;
    CountingAliasListener second;
    listener.action = [&] { told.push_back("first"); };
    second.action = [&] { told.push_back("second"); };
    aliases->addListener(&second);
    aliases->addListener(&listener);
    EXPECT_FALSE(aliases->setAlias("Chooser", 2, "Chooser", "A", false)) << "unknown without create";
    EXPECT_EQ(aliases->getAliasCount(), 0);
    EXPECT_TRUE(aliases->setAlias("Chooser", 2, "Chooser", "A", true));
    EXPECT_EQ(listener.count, 1);
    EXPECT_EQ(told, (Strings{"first", "second"}));
    aliases->removeListener(&second);
    EXPECT_FALSE(aliases->setAlias("Chooser", 2, "Chooser", "A", true)) << "the same values";
    EXPECT_EQ(listener.count, 1);
    EXPECT_TRUE(aliases->setAlias("Chooser", 2, "Mine", "B", false));
    EXPECT_EQ(all(), Strings{"Mine=2:B"});
    EXPECT_EQ(listener.count, 2);
    EXPECT_EQ(aliases->find("Mine", 1), -1) << "the kind is part of the key";
}

TEST_F(TMidiAliasManagerTest, ChangesInsideAnUpdateAreToldOnceWhenTheOutermostEnds)
{
    aliases->beginUpdate();
    aliases->setAlias("A", 2, "A", "Port 1", true);
    aliases->beginUpdate();
    aliases->setAlias("A", 2, "A", "Port 2", true);
    aliases->setAlias("B", 1, "B", "In", true);
    aliases->endUpdate();
    EXPECT_EQ(listener.count, 0) << "the outer update is still open";
    aliases->endUpdate();
    EXPECT_EQ(listener.count, 1);

    aliases->beginUpdate();
    aliases->endUpdate();
    EXPECT_EQ(listener.count, 1) << "no change: no notice";
}

TEST_F(TMidiAliasManagerTest, RebindingGivesEveryPortAnAliasOfItsNameWithOneNotice)
{
    factory->addOutput("Synth");
    factory->addOutput("Synth");
    factory->addInput("Keys");
    aliases->addAlias("Synth", "Elsewhere", 2);
    aliases->addAlias("Chooser", "Synth", 2);
    listener.count = 0;
    resume(); // the manager's rescan tells the alias manager, which rebinds
    EXPECT_EQ(all(), (Strings{"Synth=2:Synth", "Chooser=2:Synth", "Synth (2)=2:Synth (2)", "Keys=1:Keys"}));
    EXPECT_EQ(listener.count, 1);

    aliases->setAutoBind(false);
    factory->addOutput("Later");
    replug();
    manager->rescan(true, true);
    EXPECT_EQ(aliases->find("Later", 2), -1) << "without auto-binding a device-list change binds nothing";
}

TEST_F(TMidiAliasManagerTest, SavingKeepsRenamedAliasesAndThoseOfPortsInUse)
{
    factory->addOutput("Open");
    factory->addOutput("Closed");
    factory->addOutput("Wanted");
    resume();
    manager->openDevice(0, false, true);
    manager->getDevice(2, false)->setWantedOpen(true);
    aliases->addAlias("Chooser", "Closed", 2);
    aliases->addAlias("Nothing", "", 0);

    Tr::TIniFile ini;
    for (int n = 0; n < 5; ++n)
    {
        ini.writeString("MIDI.alias", Tr::numberedKey("Name", n), "stale");
        ini.writeString("MIDI.alias", Tr::numberedKey("Device", n), "2:stale");
    }
    ini.writeString("MIDI.alias", "Name6", "after a gap");
    aliases->saveState(ini);
    EXPECT_EQ(section(ini), (Strings{"Name6=after a gap", "Name0=Open", "Device0=2:Open", "Name1=Wanted",
                                     "Device1=2:Wanted", "Name2=Chooser", "Device2=2:Closed"}));
}

TEST_F(TMidiAliasManagerTest, SavingDeletesEveryLineOfAStaleKeyThatAHandEditedFileHoldsTwice)
{
    aliases->addAlias("Chooser", "Synth", 2);
    Tr::TStringList lines;
    lines.setText("[MIDI.alias]\nName0=Old\nName1=x\nDevice1=2:x\nName1=y\nDevice1=2:y\n");
    Tr::TIniFile ini;
    ini.parse(lines);
    aliases->saveState(ini);
    EXPECT_EQ(section(ini), (Strings{"Name0=Chooser", "Device0=2:Synth"}));
}

TEST_F(TMidiAliasManagerTest, LoadingStopsAtAnEmptyNameAndRebindsAliasesItKnows)
{
    aliases->addAlias("Chooser", "Old", 2);
    listener.count = 0;
    Tr::TIniFile ini;
    const char* lines[][2] = {{"Chooser", "2:New"}, {"Keys", "1:Keys"}, {"Odd", "9:X"}, {"", "2:Never"},
                              {"Later", "2:Later"}};
    for (int n = 0; n < 5; ++n)
    {
        ini.writeString("MIDI.alias", Tr::numberedKey("Name", n), lines[n][0]);
        ini.writeString("MIDI.alias", Tr::numberedKey("Device", n), lines[n][1]);
    }
    aliases->loadState(ini);
    EXPECT_EQ(all(), (Strings{"Chooser=2:New", "Keys=1:Keys", "Odd=0:"}));
    EXPECT_EQ(listener.count, 2) << "one for the rebinding, one at the end";

    aliases->loadState(ini);
    EXPECT_EQ(aliases->getAliasCount(), 3) << "loading again adds no second alias of a name and kind";
    EXPECT_EQ(listener.count, 3) << "nothing rebound: only the notice at the end";
}
