#include "MidiDeviceFactory.h"

#include "support/ScriptedMidiFactory.h"
#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using Tr::MidiDeviceDescriptorList;
using TestSupport::ScriptedMidiFactory;

namespace
{
std::vector<std::string> lines(const Tr::TStringList& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.count(); ++i)
        out.push_back(list.at(i).c_str());
    return out;
}

std::vector<int> tags(const Tr::TStringList& list)
{
    std::vector<int> out;
    for (int i = 0; i < list.count(); ++i)
        out.push_back(list.tagAt(i));
    return out;
}

std::vector<std::string> displayNames(Tr::MidiDeviceFactory& factory, bool isInput)
{
    Tr::TStringList names;
    factory.getDisplayNames(isInput, names);
    return lines(names);
}

// Clones of the factory's descriptors, deleted with the holder.
struct Descriptors
{
    MidiDeviceDescriptorList list;
    Descriptors(Tr::MidiDeviceFactory& factory, bool isInput) { factory.getDescriptors(isInput, list); }
    ~Descriptors() { list.deleteAll(); }
    const Tr::MidiDeviceDescriptor& operator[](int i) const { return *list.get(i); }
};

using Names = std::vector<std::string>;
} // namespace

TEST(MidiDeviceFactory, NumbersPortsOfEqualNamesInListOrder)
{
    ScriptedMidiFactory factory;
    for (const char* name : {"Synth", "Piano", "Synth", "Synth"})
        factory.addInput(name);
    factory.addOutput("Synth");

    const Descriptors inputs(factory, true);
    ASSERT_EQ(inputs.list.count(), 4);
    const int expected[] = {1, 0, 2, 3};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(inputs[i].getDuplicateNumber(), expected[i]) << i;

    Tr::TStringList names;
    factory.getDisplayNames(true, names);
    EXPECT_EQ(lines(names), (Names{"Synth", "Piano", "Synth (2)", "Synth (3)"}));
    EXPECT_EQ(tags(names), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(displayNames(factory, false), Names{"Synth"}) << "each kind is numbered on its own";
}

TEST(MidiDeviceFactory, RenamesPortsOfOneNameOnlyWhenTheirLocationsAreEqual)
{
    struct Case
    {
        const char* what;
        const char* paths[2];
        const char* parents[2];
        Names shown;
    };
    const Case cases[] = {
        {"equal paths and parents", {"path", "path"}, {"P1", "P1"}, {"Synth 1", "Synth 2"}},
        {"equal paths, other parents", {"path", "path"}, {"P1", "P2"}, {"Synth", "Synth (2)"}},
        {"other paths", {"path1", "path2"}, {"P1", "P1"}, {"Synth", "Synth (2)"}},
        {"no paths", {"", ""}, {"P1", "P1"}, {"Synth", "Synth (2)"}},
    };
    for (const Case& c : cases)
    {
        ScriptedMidiFactory factory;
        factory.addOutput("Synth", c.paths[0], c.parents[0]);
        factory.addOutput("Synth", c.paths[1], c.parents[1]);
        const Descriptors outputs(factory, false);
        EXPECT_EQ(displayNames(factory, false), c.shown) << c.what;
        if (c.shown[0] == "Synth 1")
        {
            EXPECT_EQ(outputs[0].getDuplicateNumber(), 0);
            EXPECT_EQ(outputs[1].getDuplicateNumber(), 0);
        }
    }
}

TEST(MidiDeviceFactory, OutputTakesTheNumberOfTheInputWithItsNameAndPath)
{
    ScriptedMidiFactory factory;
    factory.addInput("Synth", "pathA");
    factory.addInput("Synth", "pathB");
    factory.addOutput("Synth", "pathB"); // alone among the outputs: 0
    factory.addOutput("Piano", "pathC"); // no input of its own: keeps 0
    factory.addOutput("Synth");          // no path: keeps its own number

    EXPECT_EQ(displayNames(factory, true), (Names{"Synth", "Synth (2)"}));
    EXPECT_EQ(displayNames(factory, false), (Names{"Synth (2)", "Piano", "Synth (2)"}));
    const Descriptors outputs(factory, false);
    EXPECT_EQ(outputs[0].getDuplicateNumber(), 2);
    EXPECT_EQ(outputs[2].getDuplicateNumber(), 2);
}

TEST(MidiDeviceFactory, ReReadsOnlyAfter1500QuietMillisecondsSinceTheLastRead)
{
    ScriptedMidiFactory factory;
    auto synth = factory.addInput("Synth");

    EXPECT_EQ(factory.getDeviceCount(true), 1);
    EXPECT_EQ(factory.enumerateCount(), 2) << "a re-read lists outputs and inputs";

    synth->name = "Renamed";
    factory.addInput("Piano");
    struct Step
    {
        uint32_t advance;
        bool reReads;
    };
    // The second read restamps the time, so the third, 2000 ms after the
    // first, still does not re-read.
    for (const Step& step : {Step{1000, false}, Step{1000, false}, Step{1499, false}, Step{1500, true}, Step{0, false}})
    {
        const int before = factory.enumerateCount();
        factory.advanceMillis(step.advance);
        factory.getDeviceCount(true);
        EXPECT_EQ(factory.enumerateCount() > before, step.reReads) << "after " << step.advance << " ms";
    }
    EXPECT_EQ(displayNames(factory, true), (Names{"Renamed", "Piano"}));
}

TEST(MidiDeviceFactory, RefreshGuardSurvivesTheClockWrapping)
{
    ScriptedMidiFactory factory;
    factory.setMillis(0xFFFFFE00u);
    factory.getDeviceCount(false);
    const int before = factory.enumerateCount();
    factory.advanceMillis(0x300); // 768 ms later, past the wrap
    factory.getDeviceCount(false);
    EXPECT_EQ(factory.enumerateCount(), before);
    factory.advanceMillis(1500);
    factory.getDeviceCount(false);
    EXPECT_GT(factory.enumerateCount(), before);
}

TEST(MidiDeviceFactory, GetDescriptorsFillsTheCallersListWithIndependentClones)
{
    ScriptedMidiFactory factory;
    factory.addOutput("A");
    factory.addOutput("B");

    MidiDeviceDescriptorList out;
    for (int i = 0; i < 4; ++i)
        out.add(new Tr::MidiDeviceDescriptor()); // replaced or deleted, never leaked
    factory.getDescriptors(false, out);
    ASSERT_EQ(out.count(), 2);
    EXPECT_EQ(out[0]->getName(), "A");
    EXPECT_EQ(out[1]->getName(), "B");
    EXPECT_EQ(out[1]->getIndex(), 1);

    out[0]->setName("Changed");
    EXPECT_EQ(displayNames(factory, false), (Names{"A", "B"}));
    out.deleteAll();
}

TEST(MidiDeviceFactory, ExtraNamesListOnlyPortsThatHaveOne)
{
    ScriptedMidiFactory factory;
    factory.addInput("A");
    factory.addInput("B")->extraName = "Extra B";
    Tr::TStringList names;
    names.add("stale");
    factory.getExtraNames(true, names);
    EXPECT_EQ(lines(names), Names{"Extra B"});
    EXPECT_EQ(tags(names), std::vector<int>{1});
}

TEST(MidiDeviceFactory, ResizeListCutsFromTheEndAndFillsWithNulls)
{
    ScriptedMidiFactory factory;
    for (const char* name : {"A", "B", "C"})
        factory.addOutput(name);
    EXPECT_EQ(factory.getDeviceCount(false), 3);

    factory.resizeList(false, 1, false);
    EXPECT_EQ(displayNames(factory, false), Names{"A"});
    factory.resizeList(false, 3, true);
    EXPECT_EQ(factory.getDeviceCount(false), 3);
    EXPECT_EQ(displayNames(factory, false), Names{"A"}) << "null entries are skipped";
    Descriptors copies(factory, false);
    EXPECT_EQ(copies.list.count(), 3);
    EXPECT_EQ(copies.list.get(2), nullptr);
}

TEST(MidiDeviceFactory, AFailedReReadPassesItsErrorOnAndReleasesTheLock)
{
    ScriptedMidiFactory factory;
    factory.addOutput("A");
    factory.failNextEnumerate("driver gone");
    EXPECT_THROW(
        {
            try
            {
                factory.getDeviceCount(false);
            }
            catch (const Tr::Exception& e)
            {
                EXPECT_STREQ(e.what(), "driver gone");
                throw;
            }
        },
        Tr::EMidiError);

    // Another thread can read the lists: the lock was released.
    factory.advanceMillis(1500);
    int count = -1;
    std::thread reader([&] { count = factory.getDeviceCount(false); });
    reader.join();
    EXPECT_EQ(count, 1);
}

TEST(MidiDeviceFactory, MakesPortsOnlyOfTheDescriptorsKind)
{
    ScriptedMidiFactory factory;
    const Tr::MidiDeviceDescriptor input(&factory, true, 0, "In", "", "", "");
    EXPECT_EQ(factory.createOutput(&input), nullptr);
    EXPECT_EQ(factory.createOutput(nullptr), nullptr);
    EXPECT_EQ(factory.createInput(nullptr), nullptr);
    const std::unique_ptr<Tr::TMidiDeviceBase> port(factory.createInput(&input));
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(port->isInput());
}
