// Tr::TMidiRouter, its route table Tr::TMidiRoutes and Tr::TMidiRoute.
#include "TMidiRouter.h"

#include "AutoDelete.h"
#include "MidiManager.h"
#include "MidiManagerDev.h"
#include "TMidiAliasManager.h"

#include "support/MidiManagerTestSupport.h"

#include <gtest/gtest.h>
#include <juce_events/juce_events.h>

#include <string>
#include <vector>

namespace
{
class RecordingRouteListener : public Tr::TMidiRouteChangeListener
{
public:
    RecordingRouteListener(std::string name, std::vector<std::string>& calls) : m_name(std::move(name)), m_calls(calls)
    {
    }
    void routesChanged() override { m_calls.push_back(m_name); }

private:
    std::string m_name;
    std::vector<std::string>& m_calls;
};

// Aliases stamped as the manager's records would stamp them.
struct Aliases
{
    Aliases()
    {
        keys.setBinding(0, 1);
        pads.setBinding(1, 1);
    }
    Tr::TMidiAlias keys{"Keys", "Keys", Tr::kMidiKindInput};
    Tr::TMidiAlias pads{"Pads", "Pads", Tr::kMidiKindInput};
    Tr::TMidiAlias synth{"Synth", "Synth", Tr::kMidiKindOutput};
    Tr::TMidiAlias drums{"Drums", "Drums", Tr::kMidiKindOutput};
    Tr::TMidiAlias broken{"Broken", "", Tr::kMidiKindNone};
};

// The router of a fresh process, destroyed with the registry at the end.
class TMidiRouterTest : public ::testing::Test
{
protected:
    ~TMidiRouterTest() override { Tr::AutoDelete::deleteAll(); }

    juce::ScopedJuceInitialiser_GUI juce_;
    Tr::TMidiRouter* router = Tr::TMidiRouter::getInstance();
    Tr::TMidiRoutes& routes = router->getRoutes();
    Aliases aliases;
};
} // namespace

TEST(TMidiRoutes, CollectsTheDestinationsOfASourceIndexOnceEachInRouteOrder)
{
    Aliases a;
    Tr::TMidiRoutes routes; // not owning: the routes are the test's
    Tr::TMidiRoute toSynth(&a.keys, &a.synth), toDrums(&a.keys, &a.drums), again(&a.keys, &a.synth),
        fromPads(&a.pads, &a.drums), noSource(nullptr, &a.synth);
    Tr::TMidiAliasList list;
    list.addUnique(&a.broken);

    routes.collectDestinations(0, list);
    EXPECT_EQ(list.count(), 0) << "an empty table gives nothing";
    for (Tr::TMidiRoute* route : {&toSynth, &noSource, &toDrums, &fromPads, &again})
        routes.add(route);

    routes.collectDestinations(0, list);
    ASSERT_EQ(list.count(), 2);
    EXPECT_EQ(list.at(0), &a.synth);
    EXPECT_EQ(list.at(1), &a.drums);
    routes.collectDestinations(1, list);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.at(0), &a.drums);
    routes.collectDestinations(-1, list);
    EXPECT_EQ(list.count(), 0) << "a negative index gives nothing, although the invalid route reads -1";
    EXPECT_EQ(noSource.getSourceIndex(), -1);
    routes.clear();
    EXPECT_EQ(routes.count(), 0);
}

TEST_F(TMidiRouterTest, RoutesWhoseAliasesHaveNoKindAreDisabledAndTheListenersTold)
{
    std::vector<std::string> calls;
    RecordingRouteListener first("first", calls), second("second", calls);
    router->addListener(&first);
    router->addListener(&second);
    router->addListener(&first);

    router->aliasesChanged();
    EXPECT_TRUE(calls.empty()) << "empty table: nobody is told";

    routes.add(new Tr::TMidiRoute(&aliases.keys, &aliases.synth));
    router->aliasesChanged();
    EXPECT_TRUE(calls.empty()) << "valid routes whose aliases keep their kinds: nobody is told";

    routes.add(new Tr::TMidiRoute(&aliases.keys, &aliases.broken));
    routes.add(new Tr::TMidiRoute(&aliases.broken, &aliases.drums));
    router->aliasesChanged();
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(routes[0]->isValid());
    EXPECT_FALSE(routes[1]->isValid());
    EXPECT_FALSE(routes[2]->isValid());
    EXPECT_EQ(routes.count(), 3) << "disabled routes stay in the table";

    calls.clear();
    router->aliasesChanged();
    EXPECT_TRUE(calls.empty()) << "already disabled: nothing new to tell";

    Tr::TMidiAlias unlisted("X", "", 1);
    router->removeListener(&first);
    routes.add(new Tr::TMidiRoute(&unlisted, &aliases.broken));
    router->aliasesChanged();
    EXPECT_EQ(calls, std::vector<std::string>{"second"});
    router->removeListener(&second);
}

namespace
{
// The router beside a manager with a scripted factory.
using TMidiRouterBesideTheManager = TestSupport::MidiManagerTest;
} // namespace

TEST_F(TMidiRouterBesideTheManager, TheRouterListensToTheAliasManagerAndTheManagerToTheRouter)
{
    factory->addInput("Keys");
    factory->addOutput("Synth");
    resume();
    Tr::TMidiAliasManager* aliasManager = Tr::TMidiAliasManager::getInstance();
    Tr::TMidiAlias* keys = aliasManager->lookupAlias("Keys", Tr::kMidiKindInput, false);
    Tr::TMidiAlias* synth = aliasManager->lookupAlias("Synth", Tr::kMidiKindOutput, false);
    ASSERT_NE(keys, nullptr);
    ASSERT_NE(synth, nullptr);
    static Tr::TMidiAlias lost("Lost", "", Tr::kMidiKindNone); // outlives the routes
    Tr::TMidiRouter* router = Tr::TMidiRouter::getInstance();
    Tr::TMidiRoutes& routes = router->getRoutes();
    routes.add(new Tr::TMidiRoute(keys, synth));
    routes.add(new Tr::TMidiRoute(keys, &lost));
    const auto* input = static_cast<const Tr::MMDevIn*>(manager->getDevice(0, true));
    ASSERT_EQ(input->getRouteTargets().count(), 0) << "nobody has collected the routes yet";

    // The router's own notice (the alias manager's reaches the manager
    // directly as well): the route to the alias without a kind is disabled,
    // and the manager, told of it, has its input collect its destinations.
    router->aliasesChanged();
    EXPECT_FALSE(routes[1]->isValid());
    ASSERT_EQ(input->getRouteTargets().count(), 1) << "the manager did not hear of the changed routes";
    EXPECT_EQ(input->getRouteTargets().at(0), synth);

    // The alias manager's notice reaches the router.
    routes.add(new Tr::TMidiRoute(&lost, synth));
    aliasManager->notifyChange();
    EXPECT_FALSE(routes[2]->isValid()) << "the router did not hear of the changed aliases";
}
