#include "MidiDeviceFactory.h"

#include "support/ScriptedMidiFactory.h"
#include "support/TStringListLines.h"
#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using TestSupport::linesOf;
using TestSupport::ScriptedMidiFactory;
using Names = std::vector<std::string>;

namespace
{
Names displayNames(Tr::MidiDeviceFactory& factory, bool isInput)
{
    Tr::TStringList names;
    factory.getDisplayNames(isInput, names);
    return linesOf(names);
}

std::vector<int> duplicateNumbers(Tr::MidiDeviceFactory& factory, bool isInput)
{
    Tr::MidiDeviceDescriptorList list;
    factory.getDescriptors(isInput, list);
    std::vector<int> numbers;
    for (int i = 0; i < list.count(); ++i)
        numbers.push_back(list[i]->getDuplicateNumber());
    list.deleteAll();
    return numbers;
}
} // namespace

TEST(MidiDeviceFactory, NumbersPortsOfEqualNamesInListOrder)
{
    ScriptedMidiFactory factory;
    for (const char* name : {"Synth", "Piano", "Synth", "Synth"})
        factory.addInput(name);
    factory.addOutput("Synth");

    EXPECT_EQ(duplicateNumbers(factory, true), (std::vector<int>{1, 0, 2, 3}));
    Tr::TStringList names;
    factory.getDisplayNames(true, names);
    EXPECT_EQ(linesOf(names), (Names{"Synth", "Piano", "Synth (2)", "Synth (3)"}));
    EXPECT_EQ(names.tagAt(3), 3) << "each line is tagged with its index";
    EXPECT_EQ(displayNames(factory, false), Names{"Synth"}) << "each kind is numbered on its own";
}

TEST(MidiDeviceFactory, RenamesPortsOfOneNameOnlyWhenTheirLocationsAreEqual)
{
    struct Case
    {
        const char* paths[2];
        const char* parents[2];
        Names shown;
    };
    const Case cases[] = {
        {{"path", "path"}, {"P1", "P1"}, {"Synth 1", "Synth 2"}},
        {{"path", "path"}, {"P1", "P2"}, {"Synth", "Synth (2)"}},
        {{"path1", "path2"}, {"P1", "P1"}, {"Synth", "Synth (2)"}},
        {{"", ""}, {"P1", "P1"}, {"Synth", "Synth (2)"}},
    };
    for (const Case& c : cases)
    {
        ScriptedMidiFactory factory;
        factory.addOutput("Synth", c.paths[0], c.parents[0]);
        factory.addOutput("Synth", c.paths[1], c.parents[1]);
        EXPECT_EQ(displayNames(factory, false), c.shown) << c.paths[1] << " " << c.parents[1];
    }
    ScriptedMidiFactory factory;
    factory.addInput("Synth", "path", "P1");
    factory.addInput("Synth", "path", "P1");
    EXPECT_EQ(duplicateNumbers(factory, true), (std::vector<int>{0, 0}));
}

TEST(MidiDeviceFactory, OutputTakesTheNumberOfTheInputWithItsNameAndPath)
{
    ScriptedMidiFactory factory;
    factory.addInput("Synth", "pathA");
    factory.addInput("Synth", "pathB");
    factory.addOutput("Synth", "pathB"); // alone among the outputs it would have 0
    factory.addOutput("Piano", "pathC"); // no input of its own
    factory.addOutput("Synth");          // no path: keeps its own number
    EXPECT_EQ(displayNames(factory, false), (Names{"Synth (2)", "Piano", "Synth (2)"}));
    EXPECT_EQ(duplicateNumbers(factory, false), (std::vector<int>{2, 0, 2}));
}

TEST(MidiDeviceFactory, ReReadsOnlyAfter1500QuietMillisecondsSinceTheLastRead)
{
    ScriptedMidiFactory factory;
    auto synth = factory.addInput("Synth");
    EXPECT_EQ(factory.getDeviceCount(true), 1);
    EXPECT_EQ(factory.enumerateCount(), 2) << "a re-read lists outputs and inputs";

    synth->name = "Renamed";
    factory.addInput("Piano");
    // Every read restamps the time, so reads 1000 ms apart never re-read.
    for (const auto& [advance, reReads] : {std::pair{1000u, false}, {1000u, false}, {1499u, false}, {1500u, true}})
    {
        const int before = factory.enumerateCount();
        factory.advanceMillis(advance);
        factory.getDeviceCount(true);
        EXPECT_EQ(factory.enumerateCount() > before, reReads) << "after " << advance << " ms";
    }
    EXPECT_EQ(displayNames(factory, true), (Names{"Renamed", "Piano"}));

    // Across the wrap of the 32-bit clock.
    factory.setMillis(0xFFFFFE00u);
    factory.getDeviceCount(true);
    const int before = factory.enumerateCount();
    factory.advanceMillis(0x300);
    factory.getDeviceCount(true);
    EXPECT_EQ(factory.enumerateCount(), before);
}

TEST(MidiDeviceFactory, GetDescriptorsReplacesTheCallersEntriesWithIndependentClones)
{
    ScriptedMidiFactory factory;
    factory.addOutput("A");
    factory.addOutput("B");
    Tr::MidiDeviceDescriptorList out;
    for (int i = 0; i < 4; ++i)
        out.add(new Tr::MidiDeviceDescriptor()); // replaced or deleted, never leaked
    factory.getDescriptors(false, out);
    ASSERT_EQ(out.count(), 2);
    EXPECT_EQ(out[1]->getName(), "B");
    EXPECT_EQ(out[1]->getIndex(), 1);
    out[0]->setName("Changed");
    EXPECT_EQ(displayNames(factory, false), (Names{"A", "B"}));
    out.deleteAll();
}

TEST(MidiDeviceFactory, ExtraNamesAndResizeListSkipWhatIsMissing)
{
    ScriptedMidiFactory factory;
    factory.addOutput("A");
    factory.addOutput("B")->extraName = "Extra B";
    factory.addOutput("C");
    Tr::TStringList extra;
    extra.add("stale");
    factory.getExtraNames(false, extra);
    EXPECT_EQ(linesOf(extra), Names{"Extra B"});
    EXPECT_EQ(extra.tagAt(0), 1);

    factory.resizeList(false, 1, false);
    factory.resizeList(false, 3, true);
    EXPECT_EQ(factory.getDeviceCount(false), 3);
    EXPECT_EQ(displayNames(factory, false), Names{"A"}) << "null entries are skipped";
}

TEST(MidiDeviceFactory, AFailedReReadPassesItsErrorOnAndReleasesTheLock)
{
    ScriptedMidiFactory factory;
    factory.addOutput("A");
    factory.failNextEnumerate("driver gone");
    EXPECT_THROW(factory.getDeviceCount(false), Tr::EMidiError);

    factory.advanceMillis(1500);
    int count = -1;
    std::thread reader([&] { count = factory.getDeviceCount(false); });
    reader.join();
    EXPECT_EQ(count, 1);
}
