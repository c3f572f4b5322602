// Tr::TMidiAlias and its settings lines, and Tr::TMidiAliasList.
#include "TMidiAlias.h"

#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

TEST(TMidiAlias, TheDeviceLineGivesKindAndDeviceOnlyForAKindFrom0To3BeforeTheFirstColon)
{
    const struct
    {
        const char* line; // null: no Device line at all
        int kind;
        const char* deviceName;
        bool isInput = false;
    } cases[] = {
        {"2:Out A:1", 2, "Out A:1"},
        {"1:Keys", 1, "Keys", true},
        {"3:X", 3, "X", true},
        {"0:X", 0, "X"},
        {"2:", 2, ""},
        {"9:X", 0, ""},
        {"-1:X", 0, ""},
        {":X", 0, ""},
        {"X", 0, ""},
        {"two:X", 0, ""},
        {nullptr, 0, ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.line ? c.line : "(missing)");
        Tr::TIniFile ini;
        if (c.line)
            ini.writeString("MIDI.alias", "Device4", c.line);
        Tr::TMidiAlias alias("Mine", ini, 4);
        EXPECT_EQ(alias.getKind(), c.kind);
        EXPECT_EQ(alias.getDeviceName(), c.deviceName);
        EXPECT_EQ(alias.isInput(), c.isInput);
        EXPECT_EQ(alias.getName(), "Mine");
        EXPECT_EQ(alias.getDeviceIndex(), -1);
        EXPECT_EQ(alias.getFactoryId(), 0u);
    }
}

TEST(TMidiAlias, WritesItsNameAndKindColonDeviceUnderItsNumber)
{
    Tr::TIniFile ini;
    Tr::TMidiAlias("Out A", "Out A:1", 2).writeState(ini, 0);
    Tr::TMidiAlias("Chooser", "", 1).writeState(ini, 7);
    EXPECT_EQ(ini.readString("MIDI.alias", "Name0", "?"), "Out A");
    EXPECT_EQ(ini.readString("MIDI.alias", "Device0", "?"), "2:Out A:1");
    EXPECT_EQ(ini.readString("MIDI.alias", "Name7", "?"), "Chooser");
    EXPECT_EQ(ini.readString("MIDI.alias", "Device7", "?"), "1:");

    Tr::TMidiAlias back("Out A", ini, 0);
    EXPECT_EQ(back.getKind(), 2);
    EXPECT_EQ(back.getDeviceName(), "Out A:1");
}

TEST(TMidiAliasList, HoldsEachAliasOnceAndNoNull)
{
    Tr::TMidiAlias a("A", "", 2), b("B", "", 2), c("C", "", 2);
    Tr::TMidiAliasList list;
    EXPECT_TRUE(list.addUnique(&a));
    EXPECT_FALSE(list.addUnique(&a));
    EXPECT_FALSE(list.addUnique(nullptr));
    EXPECT_EQ(list.count(), 1);

    Tr::TMidiAliasList other;
    other.addUnique(&c);
    other.addUnique(&a);
    other.addUnique(&b);
    list.addAll(other);
    ASSERT_EQ(list.count(), 3);
    EXPECT_EQ(list.at(0), &a);
    EXPECT_EQ(list.at(1), &c);
    EXPECT_EQ(list.at(2), &b);
    EXPECT_EQ(list.at(3), nullptr);

    Tr::TMidiAliasList copy;
    copy.addUnique(&b);
    copy.assign(other);
    ASSERT_EQ(copy.count(), 3);
    EXPECT_EQ(copy.at(0), &c);
    copy.assign(copy);
    EXPECT_EQ(copy.count(), 3);
}
