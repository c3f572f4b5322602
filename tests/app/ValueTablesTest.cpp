// The value tables: row counts, orders and the values the bank relies on.
#include "ValueTables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

namespace
{
int valueOf(const ComboTableEntry* table, int count, const std::string& label)
{
    for (int i = 0; i < count; ++i)
        if (label == table[i].label)
            return table[i].value;
    return -1;
}
} // namespace

TEST(ValueTables, SimpleTablesHaveTheirRowsInOrder)
{
    ASSERT_EQ(programTableCount, 19);
    for (int i = 0; i < programTableCount; ++i)
    {
        EXPECT_EQ(programTable[i].value, i + 1);
        EXPECT_EQ(std::string(programTable[i].label), "Program " + std::to_string(i + 1));
    }
    ASSERT_EQ(stepCountTableCount, 15);
    EXPECT_EQ(stepCountTableCount + 1, 16);
    for (int i = 0; i < stepCountTableCount; ++i)
    {
        EXPECT_EQ(stepCountTable[i].value, i + 2);
        EXPECT_EQ(std::string(stepCountTable[i].label), std::to_string(i + 2) + " Steps");
    }
    ASSERT_EQ(channelTableCount, 15);
    EXPECT_EQ(valueOf(channelTable, channelTableCount, "1"), 0);
    EXPECT_EQ(valueOf(channelTable, channelTableCount, "15"), 14);
    ASSERT_EQ(outputTypeTableCount, 2);
    EXPECT_EQ(valueOf(outputTypeTable, 2, "Whammy Only"), 4);
    EXPECT_EQ(valueOf(outputTypeTable, 2, "Whammy & Clock"), 5);
    ASSERT_EQ(loopPortamentoTableCount, 3);
    EXPECT_EQ(loopPortamentoTable[0].value, 17);
    EXPECT_EQ(loopPortamentoTable[1].value, 25);
    EXPECT_EQ(loopPortamentoTable[2].value, 45);
    EXPECT_STREQ(loopPortamentoTable[0].label, "fast Loop Portamento");
    ASSERT_EQ(stepPortamentoTableCount, 3);
    EXPECT_EQ(stepPortamentoTable[0].value, 25);
    EXPECT_EQ(stepPortamentoTable[1].value, 50);
    EXPECT_EQ(stepPortamentoTable[2].value, 80);
    EXPECT_STREQ(stepPortamentoTable[2].label, "slow Step Portamento");
}

TEST(ValueTables, ProgramTypesListLoopTypesFirstWithoutValueFour)
{
    ASSERT_EQ(programTypeTableCount, 5);
    const char* labels[] = {"Loop Portamento", "Loop, No Portamento", "Step Portamento",
                            "Step, No Portamento", "Different Settings"};
    const int values[] = {2, 0, 3, 1, 5};
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_STREQ(programTypeTable[i].label, labels[i]);
        EXPECT_EQ(programTypeTable[i].value, values[i]);
    }
}

TEST(ValueTables, DurationsRunFrom17To127WithGrowingLabels)
{
    ASSERT_EQ(durationTableCount, 111);
    double previous = 0.0;
    for (int i = 0; i < durationTableCount; ++i)
    {
        EXPECT_EQ(durationTable[i].value, 17 + i);
        const double seconds = std::atof(durationTable[i].label);
        EXPECT_GT(seconds, previous) << durationTable[i].label;
        previous = seconds;
    }
    EXPECT_STREQ(durationTable[0].label, "0.24");
    EXPECT_EQ(valueOf(durationTable, durationTableCount, "0.50"), 37);
    EXPECT_EQ(valueOf(durationTable, durationTableCount, "1.03"), 57);
    EXPECT_EQ(valueOf(durationTable, durationTableCount, "2.04"), 76);
    EXPECT_EQ(valueOf(durationTable, durationTableCount, "4.07"), 95);
    EXPECT_EQ(valueOf(durationTable, durationTableCount, "8.11"), 114);
    EXPECT_STREQ(durationTable[110].label, "12.99");
}

TEST(ValueTables, PerStepSettingsCoverEveryOnAndOffValueOnce)
{
    ASSERT_EQ(perStepSettingTableCount, 42);
    ASSERT_EQ(baseSettingTableCount, 19);
    std::set<int> seen;
    for (int i = 0; i < perStepSettingTableCount; ++i)
        seen.insert(perStepSettingTable[i].value);
    EXPECT_EQ(seen.size(), 42u);
    EXPECT_EQ(*seen.begin(), 42);
    EXPECT_EQ(*seen.rbegin(), 83);
    for (int i = 0; i < 21; ++i)
    {
        const std::string on = perStepSettingTable[i].label;
        const std::string off = perStepSettingTable[i + 21].label;
        ASSERT_EQ(on.substr(on.size() - 5), " - ON");
        EXPECT_EQ(off, on.substr(0, on.size() - 5) + " - OFF");
        EXPECT_EQ(perStepSettingTable[i + 21].value, perStepSettingTable[i].value + 21);
    }
    // After the two detune settings come the base settings in their own order.
    for (int i = 0; i < baseSettingTableCount; ++i)
    {
        EXPECT_EQ(perStepSettingTable[i + 2].value, baseSettingTable[i].value);
        EXPECT_EQ(std::string(perStepSettingTable[i + 2].label),
                  std::string(baseSettingTable[i].label) + " - ON");
    }
    EXPECT_STREQ(perStepSettingTable[0].label, "Shallow Detune - ON");
    EXPECT_EQ(perStepSettingTable[0].value, 53);
    EXPECT_EQ(perStepSettingTable[3].value, 43);
    EXPECT_STREQ(perStepSettingTable[3].label, "Octave Up - ON");
    EXPECT_EQ(valueOf(perStepSettingTable, 42, "Octave Up - OFF"), 64);
}

TEST(ValueTables, EachBaseSettingHasAnIntervalTableFromUnisonTo127)
{
    const int counts[intervalTableCount] = {25, 13, 8, 6, 3, 6, 8, 13, 25, 37, 25, 3, 3, 4, 3, 3, 2, 2, 3};
    ASSERT_EQ(intervalTableCount, baseSettingTableCount);
    for (int i = 0; i < intervalTableCount; ++i)
    {
        const ComboTableRef& t = intervalTables[i];
        ASSERT_NE(t.entries, nullptr) << i;
        EXPECT_EQ(t.count, counts[i]) << baseSettingTable[i].label;
        EXPECT_EQ(t.entries[0].value, 0) << i;
        EXPECT_EQ(t.entries[t.count - 1].value, 127) << i;
        for (int k = 1; k < t.count; ++k)
            EXPECT_GT(t.entries[k].value, t.entries[k - 1].value) << i << "/" << k;
    }
    const ComboTableRef& diveBomb = intervalTables[9];
    EXPECT_STREQ(baseSettingTable[9].label, "Dive Bomb");
    EXPECT_STREQ(diveBomb.entries[0].label, "Unison");
    EXPECT_STREQ(diveBomb.entries[36].label, "3 Octaves Down || -36 half steps");
    EXPECT_STREQ(intervalTables[10].entries[12].label, "Unison");
    EXPECT_EQ(intervalTables[10].entries[12].value, 64);
    EXPECT_STREQ(intervalTables[17].entries[0].label, "Flat 3rd || +3 half steps");
}
