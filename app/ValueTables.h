// The value tables of the bank editor: every choice a combo box of the main
// panel offers, as (label, byte value) rows in display order.
#pragma once

#include <cstdint>

/** One row of a value table: the text a combo box shows and the byte the bank
    stores for it. A combo filled from a table gets one item per row, in table
    order, with the row's value + 1 as item id. */
struct ComboTableEntry
{
    const char* label;
    int32_t value;
};

/** A reference to a whole value table: its first row and its row count. */
struct ComboTableRef
{
    const ComboTableEntry* entries;
    int count;
};

// "Program 1" ... "Program 19" = 1 ... 19.
extern const ComboTableEntry programTable[];
extern const int programTableCount;

// The program types, loop types first (not in value order); 4 is not used.
extern const ComboTableEntry programTypeTable[];
extern const int programTypeTableCount;

// "2 Steps" ... "16 Steps" = 2 ... 16.
extern const ComboTableEntry stepCountTable[];
extern const int stepCountTableCount;

// The 19 Whammy settings a loop or step program can be based on.
extern const ComboTableEntry baseSettingTable[];
extern const int baseSettingTableCount;

// Durations 17 ... 127, shown in seconds ("0.24" ... "12.99").
extern const ComboTableEntry durationTable[];
extern const int durationTableCount;

// Whammy MIDI base channel: "1" ... "15" = 0 ... 14.
extern const ComboTableEntry channelTable[];
extern const int channelTableCount;

// "Whammy Only" = 4, "Whammy & Clock" = 5.
extern const ComboTableEntry outputTypeTable[];
extern const int outputTypeTableCount;

extern const ComboTableEntry loopPortamentoTable[];
extern const int loopPortamentoTableCount;

extern const ComboTableEntry stepPortamentoTable[];
extern const int stepPortamentoTableCount;

// The 21 settings switched on (42 ... 62), then the same 21 switched off
// (63 ... 83, each 21 above its "on" value): the steps of a
// "Different Settings" program.
extern const ComboTableEntry perStepSettingTable[];
extern const int perStepSettingTableCount;

// The intervals a step can take, one table per row of baseSettingTable and
// in the same order; every table runs from value 0 to 127.
constexpr int intervalTableCount = 19;
extern const ComboTableRef intervalTables[intervalTableCount];
