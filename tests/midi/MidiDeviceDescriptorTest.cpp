#include "MidiDeviceDescriptor.h"

#include "support/ScriptedMidiFactory.h"
#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using Tr::MidiDeviceDescriptor;
using TestSupport::ScriptedMidiFactory;

namespace
{
// A descriptor with every text field set, so that each can be made to differ.
class Sample : public MidiDeviceDescriptor
{
public:
    explicit Sample(Tr::MidiDeviceFactory* factory = nullptr, bool input = true)
        : MidiDeviceDescriptor(factory, input, 2, "Synth", "USB\\VID_1", "\\\\?\\usb#vid_1#7", "Extra")
    {
        m_secondName = "Second";
        m_duplicateNumber = 2;
    }
    void change(const std::function<void(Sample&)>& how) { how(*this); }

    using MidiDeviceDescriptor::m_duplicateNumber;
    using MidiDeviceDescriptor::m_extraName;
    using MidiDeviceDescriptor::m_factory;
    using MidiDeviceDescriptor::m_index;
    using MidiDeviceDescriptor::m_interfacePath;
    using MidiDeviceDescriptor::m_isInput;
    using MidiDeviceDescriptor::m_name;
    using MidiDeviceDescriptor::m_parentId;
    using MidiDeviceDescriptor::m_secondName;
};

struct FieldChange
{
    const char* field;
    std::function<void(Sample&)> change;
    bool stillMatchesWithLocation;
};
} // namespace

TEST(MidiDeviceDescriptor, DisplayNameCarriesTheDuplicateNumberFromTwoOn)
{
    MidiDeviceDescriptor d(nullptr, true, 0, "Synth", "", "", "");
    EXPECT_EQ(d.getDisplayName(), "Synth");
    for (const auto& [number, shown] : {std::pair{1, "Synth"}, {2, "Synth (2)"}, {3, "Synth (3)"}, {12, "Synth (12)"}})
    {
        d.setDuplicateNumber(number);
        EXPECT_EQ(d.getDisplayName(), shown) << number;
    }
}

TEST(MidiDeviceDescriptor, EqualsOnlyWhenEveryFieldIsTheSame)
{
    ScriptedMidiFactory factory, otherFactory;
    Sample base(&factory);
    EXPECT_FALSE(base.equals(nullptr));
    EXPECT_FALSE(base.matches(nullptr));
    Sample same(&factory);
    EXPECT_TRUE(base.equals(&same));

    const FieldChange changes[] = {
        {"factory", [&](Sample& d) { d.m_factory = &otherFactory; }, false},
        {"kind", [](Sample& d) { d.m_isInput = false; }, false},
        {"index", [](Sample& d) { d.m_index = 5; }, true},
        {"duplicate number", [](Sample& d) { d.m_duplicateNumber = 3; }, true},
        {"name", [](Sample& d) { d.m_name = "synth"; }, false},
        {"second name", [](Sample& d) { d.m_secondName = "Other"; }, false},
        {"parent id", [](Sample& d) { d.m_parentId = "USB\\VID_2"; }, false},
        {"interface path", [](Sample& d) { d.m_interfacePath = "\\\\?\\usb#vid_1#8"; }, false},
        {"extra name", [](Sample& d) { d.m_extraName = "Other"; }, true},
    };
    for (const FieldChange& c : changes)
    {
        Sample other(&factory);
        other.change(c.change);
        EXPECT_FALSE(base.equals(&other)) << c.field;
        EXPECT_FALSE(other.equals(&base)) << c.field;
        EXPECT_EQ(base.matches(&other), c.stillMatchesWithLocation) << c.field;
    }
}

TEST(MidiDeviceDescriptor, MatchesByDuplicateNumberWithoutALocationAndByLocationWithOne)
{
    ScriptedMidiFactory factory;
    MidiDeviceDescriptor a(&factory, false, 0, "Synth", "", "", "");
    MidiDeviceDescriptor b(&factory, false, 4, "Synth", "", "", "");
    a.setDuplicateNumber(2);
    b.setDuplicateNumber(2);
    EXPECT_TRUE(a.matches(&b)) << "indexes do not count";
    b.setDuplicateNumber(3);
    EXPECT_FALSE(a.matches(&b));

    // With a location, the duplicate numbers do not count.
    MidiDeviceDescriptor c(&factory, false, 0, "Synth", "P1", "path", "");
    MidiDeviceDescriptor d(&factory, false, 1, "Synth", "P1", "path", "");
    c.setDuplicateNumber(2);
    d.setDuplicateNumber(3);
    EXPECT_TRUE(c.matches(&d));
    // Only this descriptor's location decides which test applies.
    b.setDuplicateNumber(2);
    EXPECT_FALSE(c.matches(&b));
    EXPECT_TRUE(b.matches(&c));

    c.clearLocation();
    EXPECT_TRUE(c.getInterfacePath().isEmpty());
    EXPECT_TRUE(c.getParentId().isEmpty());
    EXPECT_FALSE(c.matches(&d)) << "without its location it compares duplicate numbers";
}

TEST(MidiDeviceDescriptor, MatchesAcrossAMissingFactoryButNotAcrossTwoFactories)
{
    ScriptedMidiFactory one, two;
    MidiDeviceDescriptor placeholder(nullptr, true, -1, "Synth", "", "", "");
    MidiDeviceDescriptor listed(&one, true, 3, "Synth", "", "", "");
    MidiDeviceDescriptor elsewhere(&two, true, 3, "Synth", "", "", "");
    EXPECT_TRUE(placeholder.matches(&listed));
    EXPECT_TRUE(listed.matches(&placeholder));
    EXPECT_FALSE(listed.matches(&elsewhere));
    EXPECT_EQ(placeholder.getFactoryId(), 0u);
    EXPECT_EQ(listed.getFactoryId(), ScriptedMidiFactory::kDefaultId);
}

TEST(MidiDeviceDescriptor, CloneAndCopyFromCarryEveryField)
{
    ScriptedMidiFactory factory;
    const Sample original(&factory);
    const std::unique_ptr<MidiDeviceDescriptor> copy(original.clone());
    EXPECT_TRUE(copy->equals(&original));
    EXPECT_EQ(copy->getSecondName(), "Second");
    EXPECT_EQ(copy->getDisplayName(), "Synth (2)");

    MidiDeviceDescriptor target;
    target.copyFrom(original);
    EXPECT_TRUE(target.equals(&original));
}

TEST(MidiDeviceDescriptor, MakesPortsOnlyThroughItsFactoryAndOnlyOfItsKind)
{
    ScriptedMidiFactory factory;
    const MidiDeviceDescriptor output(&factory, false, 0, "Out", "", "", "");
    const MidiDeviceDescriptor input(&factory, true, 0, "In", "", "", "");
    const MidiDeviceDescriptor orphan(nullptr, false, 0, "Out", "", "", "");

    EXPECT_EQ(input.createOutputPort(), nullptr);
    EXPECT_EQ(output.createInputPort(), nullptr);
    EXPECT_EQ(orphan.createOutputPort(), nullptr);
    EXPECT_EQ(orphan.createInputPort(), nullptr);

    const std::unique_ptr<Tr::TMidiDeviceBase> out(output.createOutputPort());
    const std::unique_ptr<Tr::TMidiDeviceBase> in(input.createInputPort());
    ASSERT_NE(out, nullptr);
    ASSERT_NE(in, nullptr);
    EXPECT_FALSE(out->isInput());
    EXPECT_TRUE(in->isInput());
    EXPECT_TRUE(out->getDescriptor()->equals(&output));
    EXPECT_NE(out->getDescriptor(), &output) << "the port keeps its own copy";
}
