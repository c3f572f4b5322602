#include "MidiDeviceDescriptor.h"

#include "support/ScriptedMidiFactory.h"
#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <memory>

using Tr::MidiDeviceDescriptor;
using TestSupport::ScriptedMidiFactory;

namespace
{
// Every field given, the duplicate number included.
std::unique_ptr<MidiDeviceDescriptor> make(Tr::MidiDeviceFactory* factory, bool isInput, int index, const char* name,
                                           const char* parentId, const char* path, const char* extra = "", int number = 0)
{
    auto d = std::make_unique<MidiDeviceDescriptor>(factory, isInput, index, name, parentId, path, extra);
    d->setDuplicateNumber(number);
    return d;
}
} // namespace

TEST(MidiDeviceDescriptor, DisplayNameCarriesTheDuplicateNumberFromTwoOn)
{
    for (const auto& [number, shown] : {std::pair{0, "Synth"}, {1, "Synth"}, {2, "Synth (2)"}, {12, "Synth (12)"}})
        EXPECT_EQ(make(nullptr, true, 0, "Synth", "", "", "", number)->getDisplayName(), shown) << number;
}

TEST(MidiDeviceDescriptor, EqualsOnlyWhenEveryFieldIsTheSameAndMatchesOnlyByIdentityAndLocation)
{
    ScriptedMidiFactory factory, other;
    const auto base = make(&factory, true, 2, "Synth", "P1", "path", "Extra", 2);
    EXPECT_FALSE(base->equals(nullptr));
    EXPECT_FALSE(base->matches(nullptr));
    EXPECT_TRUE(base->equals(std::unique_ptr<MidiDeviceDescriptor>(base->clone()).get()));

    struct Case
    {
        const char* differs;
        std::unique_ptr<MidiDeviceDescriptor> d;
        bool matches;
    };
    const Case cases[] = {
        {"factory", make(&other, true, 2, "Synth", "P1", "path", "Extra", 2), false},
        {"kind", make(&factory, false, 2, "Synth", "P1", "path", "Extra", 2), false},
        {"index", make(&factory, true, 5, "Synth", "P1", "path", "Extra", 2), true},
        {"duplicate number", make(&factory, true, 2, "Synth", "P1", "path", "Extra", 3), true},
        {"name", make(&factory, true, 2, "synth", "P1", "path", "Extra", 2), false},
        {"parent id", make(&factory, true, 2, "Synth", "P2", "path", "Extra", 2), false},
        {"interface path", make(&factory, true, 2, "Synth", "P1", "path2", "Extra", 2), false},
        {"extra name", make(&factory, true, 2, "Synth", "P1", "path", "", 2), true},
        {"no factory", make(nullptr, true, 2, "Synth", "P1", "path", "Extra", 2), true},
    };
    for (const Case& c : cases)
    {
        EXPECT_FALSE(base->equals(c.d.get())) << c.differs;
        EXPECT_EQ(base->matches(c.d.get()), c.matches) << c.differs;
    }
}

TEST(MidiDeviceDescriptor, WithoutALocationMatchesByDuplicateNumberAlone)
{
    ScriptedMidiFactory factory;
    const auto a = make(&factory, false, 0, "Synth", "", "", "", 2);
    EXPECT_TRUE(a->matches(make(&factory, false, 4, "Synth", "", "", "", 2).get())) << "indexes do not count";
    EXPECT_FALSE(a->matches(make(&factory, false, 0, "Synth", "", "", "", 3).get()));
    // Only this descriptor's location decides which rule applies.
    EXPECT_TRUE(a->matches(make(&factory, false, 0, "Synth", "P1", "path", "", 2).get()));

    const auto located = make(&factory, false, 0, "Synth", "P1", "path", "", 2);
    EXPECT_FALSE(located->matches(a.get()));
    located->clearLocation();
    EXPECT_TRUE(located->getInterfacePath().isEmpty() && located->getParentId().isEmpty());
    EXPECT_TRUE(located->matches(a.get()));
}

TEST(MidiDeviceDescriptor, MakesPortsOnlyThroughItsFactoryAndOnlyOfItsKind)
{
    ScriptedMidiFactory factory;
    const auto output = make(&factory, false, 0, "Out", "", "");
    const auto input = make(&factory, true, 0, "In", "", "");
    const auto orphan = make(nullptr, false, 0, "Out", "", "");
    EXPECT_EQ(input->createOutputPort(), nullptr);
    EXPECT_EQ(output->createInputPort(), nullptr);
    EXPECT_EQ(orphan->createOutputPort(), nullptr);
    EXPECT_EQ(orphan->getFactoryId(), 0u);

    const std::unique_ptr<Tr::TMidiDeviceBase> port(output->createOutputPort());
    ASSERT_NE(port, nullptr);
    EXPECT_FALSE(port->isInput());
    EXPECT_EQ(port->getFactoryId(), ScriptedMidiFactory::kDefaultId);
    EXPECT_TRUE(port->getDescriptor()->equals(output.get()));
    EXPECT_NE(port->getDescriptor(), output.get()) << "the port keeps its own copy";
}
