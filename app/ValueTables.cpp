// The value tables of the bank editor, exactly as the device defines them.
#include "ValueTables.h"

namespace
{
template <int N>
constexpr int tableSize(const ComboTableEntry (&)[N])
{
    return N;
}
} // namespace

const ComboTableEntry programTable[] = {
    {"Program 1", 1},
    {"Program 2", 2},
    {"Program 3", 3},
    {"Program 4", 4},
    {"Program 5", 5},
    {"Program 6", 6},
    {"Program 7", 7},
    {"Program 8", 8},
    {"Program 9", 9},
    {"Program 10", 10},
    {"Program 11", 11},
    {"Program 12", 12},
    {"Program 13", 13},
    {"Program 14", 14},
    {"Program 15", 15},
    {"Program 16", 16},
    {"Program 17", 17},
    {"Program 18", 18},
    {"Program 19", 19},
};
const int programTableCount = tableSize(programTable);

const ComboTableEntry programTypeTable[] = {
    {"Loop Portamento", 2},
    {"Loop, No Portamento", 0},
    {"Step Portamento", 3},
    {"Step, No Portamento", 1},
    {"Different Settings", 5},
};
const int programTypeTableCount = tableSize(programTypeTable);

const ComboTableEntry stepCountTable[] = {
    {"2 Steps", 2},
    {"3 Steps", 3},
    {"4 Steps", 4},
    {"5 Steps", 5},
    {"6 Steps", 6},
    {"7 Steps", 7},
    {"8 Steps", 8},
    {"9 Steps", 9},
    {"10 Steps", 10},
    {"11 Steps", 11},
    {"12 Steps", 12},
    {"13 Steps", 13},
    {"14 Steps", 14},
    {"15 Steps", 15},
    {"16 Steps", 16},
};
const int stepCountTableCount = tableSize(stepCountTable);

const ComboTableEntry baseSettingTable[] = {
    {"2 Octaves Up", 42},
    {"Octave Up", 43},
    {"5th Up", 44},
    {"4th Up", 45},
    {"2nd Down", 46},
    {"4th Down", 47},
    {"5th Down", 48},
    {"Octave Down", 49},
    {"2 Octaves Down", 50},
    {"Dive Bomb", 51},
    {"Octave Down/Octave Up Harmony", 62},
    {"5th Down/4th Down Harmony", 61},
    {"4th Down/3rd Down Harmony", 60},
    {"5th Up/7th Up Harmony", 59},
    {"5th Up/6th Up Harmony", 58},
    {"4th Up/5th Up Harmony", 57},
    {"3rd Up/4th Up Harmony", 56},
    {"flat 3rd Up/3rd Up Harmony", 55},
    {"2nd Up/3rd Up Harmony", 54},
};
const int baseSettingTableCount = tableSize(baseSettingTable);

// The labels are the device's own timings, not a formula.
const ComboTableEntry durationTable[] = {
    {"0.24", 17}, {"0.25", 18}, {"0.26", 19}, {"0.27", 20}, {"0.28", 21}, {"0.29", 22},
    {"0.30", 23}, {"0.31", 24}, {"0.32", 25}, {"0.33", 26}, {"0.35", 27}, {"0.36", 28},
    {"0.37", 29}, {"0.39", 30}, {"0.40", 31}, {"0.41", 32}, {"0.43", 33}, {"0.45", 34},
    {"0.46", 35}, {"0.48", 36}, {"0.50", 37}, {"0.52", 38}, {"0.53", 39}, {"0.55", 40},
    {"0.57", 41}, {"0.60", 42}, {"0.62", 43}, {"0.64", 44}, {"0.66", 45}, {"0.69", 46},
    {"0.71", 47}, {"0.74", 48}, {"0.77", 49}, {"0.80", 50}, {"0.83", 51}, {"0.86", 52},
    {"0.89", 53}, {"0.92", 54}, {"0.95", 55}, {"0.99", 56}, {"1.03", 57}, {"1.06", 58},
    {"1.10", 59}, {"1.14", 60}, {"1.19", 61}, {"1.23", 62}, {"1.28", 63}, {"1.32", 64},
    {"1.37", 65}, {"1.42", 66}, {"1.48", 67}, {"1.53", 68}, {"1.59", 69}, {"1.64", 70},
    {"1.71", 71}, {"1.77", 72}, {"1.83", 73}, {"1.90", 74}, {"1.97", 75}, {"2.04", 76},
    {"2.12", 77}, {"2.20", 78}, {"2.28", 79}, {"2.36", 80}, {"2.45", 81}, {"2.54", 82},
    {"2.64", 83}, {"2.73", 84}, {"2.83", 85}, {"2.94", 86}, {"3.05", 87}, {"3.16", 88},
    {"3.28", 89}, {"3.40", 90}, {"3.52", 91}, {"3.65", 92}, {"3.79", 93}, {"3.93", 94},
    {"4.07", 95}, {"4.22", 96}, {"4.38", 97}, {"4.54", 98}, {"4.71", 99}, {"4.88", 100},
    {"5.06", 101}, {"5.25", 102}, {"5.44", 103}, {"5.64", 104}, {"5.85", 105}, {"6.07", 106},
    {"6.29", 107}, {"6.52", 108}, {"6.76", 109}, {"7.01", 110}, {"7.27", 111}, {"7.54", 112},
    {"7.82", 113}, {"8.11", 114}, {"8.41", 115}, {"8.72", 116}, {"9.04", 117}, {"9.37", 118},
    {"9.72", 119}, {"10.08", 120}, {"10.45", 121}, {"10.84", 122}, {"11.24", 123}, {"11.65", 124},
    {"12.08", 125}, {"12.53", 126}, {"12.99", 127},
};
const int durationTableCount = tableSize(durationTable);

const ComboTableEntry channelTable[] = {
    {"1", 0},
    {"2", 1},
    {"3", 2},
    {"4", 3},
    {"5", 4},
    {"6", 5},
    {"7", 6},
    {"8", 7},
    {"9", 8},
    {"10", 9},
    {"11", 10},
    {"12", 11},
    {"13", 12},
    {"14", 13},
    {"15", 14},
};
const int channelTableCount = tableSize(channelTable);

const ComboTableEntry outputTypeTable[] = {
    {"Whammy Only", 4},
    {"Whammy & Clock", 5},
};
const int outputTypeTableCount = tableSize(outputTypeTable);

const ComboTableEntry loopPortamentoTable[] = {
    {"fast Loop Portamento", 17},
    {"medium Loop Portamento", 25},
    {"slow Loop Portamento", 45},
};
const int loopPortamentoTableCount = tableSize(loopPortamentoTable);

const ComboTableEntry stepPortamentoTable[] = {
    {"fast Step Portamento", 25},
    {"medium Step Portamento", 50},
    {"slow Step Portamento", 80},
};
const int stepPortamentoTableCount = tableSize(stepPortamentoTable);

const ComboTableEntry perStepSettingTable[] = {
    {"Shallow Detune - ON", 53},
    {"Deep Detune - ON", 52},
    {"2 Octaves Up - ON", 42},
    {"Octave Up - ON", 43},
    {"5th Up - ON", 44},
    {"4th Up - ON", 45},
    {"2nd Down - ON", 46},
    {"4th Down - ON", 47},
    {"5th Down - ON", 48},
    {"Octave Down - ON", 49},
    {"2 Octaves Down - ON", 50},
    {"Dive Bomb - ON", 51},
    {"Octave Down/Octave Up Harmony - ON", 62},
    {"5th Down/4th Down Harmony - ON", 61},
    {"4th Down/3rd Down Harmony - ON", 60},
    {"5th Up/7th Up Harmony - ON", 59},
    {"5th Up/6th Up Harmony - ON", 58},
    {"4th Up/5th Up Harmony - ON", 57},
    {"3rd Up/4th Up Harmony - ON", 56},
    {"flat 3rd Up/3rd Up Harmony - ON", 55},
    {"2nd Up/3rd Up Harmony - ON", 54},
    {"Shallow Detune - OFF", 74},
    {"Deep Detune - OFF", 73},
    {"2 Octaves Up - OFF", 63},
    {"Octave Up - OFF", 64},
    {"5th Up - OFF", 65},
    {"4th Up - OFF", 66},
    {"2nd Down - OFF", 67},
    {"4th Down - OFF", 68},
    {"5th Down - OFF", 69},
    {"Octave Down - OFF", 70},
    {"2 Octaves Down - OFF", 71},
    {"Dive Bomb - OFF", 72},
    {"Octave Down/Octave Up Harmony - OFF", 83},
    {"5th Down/4th Down Harmony - OFF", 82},
    {"4th Down/3rd Down Harmony - OFF", 81},
    {"5th Up/7th Up Harmony - OFF", 80},
    {"5th Up/6th Up Harmony - OFF", 79},
    {"4th Up/5th Up Harmony - OFF", 78},
    {"3rd Up/4th Up Harmony - OFF", 77},
    {"flat 3rd Up/3rd Up Harmony - OFF", 76},
    {"2nd Up/3rd Up Harmony - OFF", 75},
};
const int perStepSettingTableCount = tableSize(perStepSettingTable);

namespace
{
// 2 Octaves Up (42)
const ComboTableEntry twoOctavesUpIntervals[] = {
    {"Unison", 0},
    {"Flat 2nd || +1 half step", 5},
    {"2nd || +2 half steps", 11},
    {"Flat 3rd || +3 half steps", 16},
    {"3rd || +4 half steps", 21},
    {"4th || +5 half steps", 26},
    {"Flat 5th || +6 half steps", 32},
    {"5th || +7 half steps", 37},
    {"Flat 6th || +8 half steps", 42},
    {"6th || +9 half steps", 48},
    {"Flat 7th || +10 half steps", 53},
    {"Maj.7th || +11 half steps", 58},
    {"Octave || +12 half steps", 63},
    {"Octave + Flat 2nd || +13 half steps", 69},
    {"Octave + 2nd || +14 half steps", 74},
    {"Octave + Flat 3rd || +15 half steps", 79},
    {"Octave + 3rd || +16 half steps", 85},
    {"Octave + 4th || +17 half steps", 90},
    {"Octave + Flat 5th || +18 half steps", 95},
    {"Octave + 5th || +19 half steps", 100},
    {"Octave + Flat 6th || +20 half steps", 106},
    {"Octave + 6th || +21 half steps", 111},
    {"Octave + Flat 7th || +22 half steps", 117},
    {"Octave + Maj.7th || +23 half steps", 122},
    {"2 Octaves || +24 half steps", 127},
};

// Octave Up (43)
const ComboTableEntry octaveUpIntervals[] = {
    {"Unison", 0},
    {"Flat 2nd || +1 half step", 11},
    {"2nd || +2 half steps", 21},
    {"Flat 3rd || +3 half steps", 32},
    {"3rd || +4 half steps", 42},
    {"4th || +5 half steps", 53},
    {"Flat 5th || +6 half steps", 64},
    {"5th || +7 half steps", 74},
    {"Flat 6th || +8 half steps", 84},
    {"6th || +9 half steps", 95},
    {"Flat 7th || +10 half steps", 106},
    {"Maj.7th || +11 half steps", 116},
    {"Octave || +12 half steps", 127},
};

// 5th Up (44)
const ComboTableEntry fifthUpIntervals[] = {
    {"Unison", 0},
    {"Flat 2nd || +1 half step", 18},
    {"2nd || +2 half steps", 35},
    {"Flat 3rd || +3 half steps", 54},
    {"3rd || +4 half steps", 72},
    {"4th || +5 half steps", 90},
    {"Flat 5th || +6 half steps", 109},
    {"5th || +7 half steps", 127},
};

// 4th Up (45)
const ComboTableEntry fourthUpIntervals[] = {
    {"Unison", 0},
    {"Flat 2nd || +1 half step", 24},
    {"2nd || +2 half steps", 50},
    {"Flat 3rd || +3 half steps", 76},
    {"3rd || +4 half steps", 102},
    {"4th || +5 half steps", 127},
};

// 2nd Down (46)
const ComboTableEntry secondDownIntervals[] = {
    {"Unison", 0},
    {"7th, Octave Down || -1 half step", 67},
    {"Flat 7th, Octave Down || -2 half steps", 127},
};

// 4th Down (47)
const ComboTableEntry fourthDownIntervals[] = {
    {"Unison", 0},
    {"7th, Octave Down || -1 half step", 26},
    {"Flat 7th, Octave Down || -2 half steps", 52},
    {"6th, Octave Down || -3 half steps", 77},
    {"Flat 6th, Octave Down || -4 half steps", 103},
    {"5th, Octave Down || -5 half steps", 127},
};

// 5th Down (48)
const ComboTableEntry fifthDownIntervals[] = {
    {"Unison", 0},
    {"7th, Octave Down || -1 half step", 19},
    {"Flat 7th, Octave Down || -2 half steps", 37},
    {"6th, Octave Down || -3 half steps", 55},
    {"Flat 6th, Octave Down || -4 half steps", 74},
    {"5th, Octave Down || -5 half steps", 92},
    {"Flat 5th, Octave Down || -6 half steps", 110},
    {"4th, Octave Down || -7 half steps", 127},
};

// Octave Down (49)
const ComboTableEntry octaveDownIntervals[] = {
    {"Unison", 0},
    {"Maj.7th, Octave Down || -1 half step", 11},
    {"Flat 7th, Octave Down || -2 half steps", 22},
    {"6th, Octave Down || -3 half steps", 32},
    {"Flat 6th, Octave Down || -4 half steps", 43},
    {"5th, Octave Down || -5 half steps", 54},
    {"Flat 5th, Octave Down || -6 half steps", 64},
    {"4th, Octave Down || -7 half steps", 75},
    {"3rd, Octave Down || -8 half steps", 85},
    {"Flat 3rd, Octave Down || -9 half steps", 96},
    {"2nd, Octave Down || -10 half steps", 106},
    {"Flat 2nd, Octave Down || -11 half steps", 117},
    {"Octave Down || -12 half steps", 127},
};

// 2 Octaves Down (50)
const ComboTableEntry twoOctavesDownIntervals[] = {
    {"Unison", 0},
    {"Maj.7th, Octave Down || -1 half step", 5},
    {"Flat 7th, Octave Down || -2 half steps", 11},
    {"6th, Octave Down || -3 half steps", 16},
    {"Flat 6th, Octave Down || -4 half steps", 21},
    {"5th, Octave Down || -5 half steps", 27},
    {"Flat 5th, Octave Down || -6 half steps", 32},
    {"4th, Octave Down || -7 half steps", 37},
    {"3rd, Octave Down || -8 half steps", 43},
    {"Flat 3rd, Octave Down || -9 half steps", 48},
    {"2nd, Octave Down || -10 half steps", 53},
    {"Flat 2nd, Octave Down || -11 half steps", 58},
    {"Octave Down || -12 half steps", 64},
    {"Maj.7th, 2 Octaves Down || -13 half steps", 69},
    {"Flat 7th, 2 Octaves Down || -14 half steps", 74},
    {"6th, 2 Octaves Down || -15 half steps", 79},
    {"Flat 6th, 2 Octaves Down || -16 half steps", 85},
    {"5th, 2 Octaves Down || -17 half steps", 90},
    {"Flat 5th, 2 Octaves Down || -18 half steps", 95},
    {"4th, 2 Octaves Down || -19 half steps", 101},
    {"3rd, 2 Octaves Down || -20 half steps", 106},
    {"Flat 3rd, 2 Octaves Down || -21 half steps", 111},
    {"2nd, 2 Octaves Down || -22 half steps", 117},
    {"Flat 2nd, 2 Octaves Down || -23 half steps", 122},
    {"2 Octaves Down || -24 half steps", 127},
};

// Dive Bomb (51)
const ComboTableEntry diveBombIntervals[] = {
    {"Unison", 0},
    {"Maj.7th, Octave Down || -1 half step", 4},
    {"Flat 7th, Octave Down || -2 half steps", 7},
    {"6th, Octave Down || -3 half steps", 11},
    {"Flat 6th, Octave Down || -4 half steps", 14},
    {"5th, Octave Down || -5 half steps", 18},
    {"Flat 5th, Octave Down || -6 half steps", 21},
    {"4th, Octave Down || -7 half steps", 25},
    {"3rd, Octave Down || -8 half steps", 28},
    {"Flat 3rd, Octave Down || -9 half steps", 32},
    {"2nd, Octave Down || -10 half steps", 35},
    {"Flat 2nd, Octave Down || -11 half steps", 39},
    {"Octave Down || -12 half steps", 42},
    {"Maj.7th, 2 Octaves Down || -13 half steps", 46},
    {"Flat 7th, 2 Octaves Down || -14 half steps", 49},
    {"6th, 2 Octaves Down || -15 half steps", 53},
    {"Flat 6th, 2 Octaves Down || -16 half steps", 56},
    {"5th, 2 Octaves Down || -17 half steps", 60},
    {"Flat 5th, 2 Octaves Down || -18 half steps", 64},
    {"4th, 2 Octaves Down || -19 half steps", 67},
    {"3rd, 2 Octaves Down || -20 half steps", 71},
    {"Flat 3rd, 2 Octaves Down || -21 half steps", 74},
    {"2nd, 2 Octaves Down || -22 half steps", 78},
    {"Flat 2nd, 2 Octaves Down || -23 half steps", 81},
    {"2 Octaves Down || -24 half steps", 85},
    {"7th, 3 Octaves Down || -25 half steps", 88},
    {"Flat 7th, 3 Octaves Down || -26 half steps", 92},
    {"6th, 3 Octaves Down || -27 half steps", 95},
    {"Flat 6th, 3 Octaves Down || -28 half steps", 99},
    {"5th, 3 Octaves Down || -29 half steps", 102},
    {"Flat 5th, 3 Octaves Down || -30 half steps", 106},
    {"4th, 3 Octaves Down || -31 half steps", 109},
    {"3rd, 3 Octaves Down || -32 half steps", 113},
    {"Flat 3rd, 3 Octaves Down || -33 half steps", 116},
    {"2nd, 3 Octaves Down || -34 half steps", 120},
    {"Flat 2nd, 3 Octaves Down || -35 half steps", 124},
    {"3 Octaves Down || -36 half steps", 127},
};

// Octave Down/Octave Up Harmony (62)
const ComboTableEntry octaveDownOctaveUpHarmonyIntervals[] = {
    {"Octave Down || -12 half steps", 0},
    {"Flat 2nd, Octave Down || -11 half steps", 6},
    {"2nd, Octave Down || -10 half steps", 11},
    {"Flat 3rd, Octave Down || -9 half steps", 17},
    {"3rd, Octave Down || -8 half steps", 21},
    {"4th, Octave Down || -7 half steps", 26},
    {"Flat 5th, Octave Down || -6 half steps", 31},
    {"5th, Octave Down || -5 half steps", 37},
    {"Flat 6th, Octave Down || -4 half steps", 42},
    {"6th, Octave Down || -3 half steps", 48},
    {"Flat 7th, Octave Down || -2 half steps", 53},
    {"Maj.7th, Octave Down || -1 half step", 59},
    {"Unison", 64},
    {"Flat 2nd || +1 half step", 68},
    {"2nd || +2 half steps", 74},
    {"Flat 3rd || +3 half steps", 79},
    {"3rd || +4 half steps", 84},
    {"4th || +5 half steps", 90},
    {"Flat 5th || +6 half steps", 95},
    {"5th || +7 half steps", 101},
    {"Flat 6th || +8 half steps", 106},
    {"6th || +9 half steps", 111},
    {"Flat 7th || +10 half steps", 116},
    {"Maj.7th || +11 half steps", 121},
    {"Octave || +12 half steps", 127},
};

// 5th Down/4th Down Harmony (61)
const ComboTableEntry fifthDownFourthDownHarmonyIntervals[] = {
    {"4th, Octave Down (5th Down) || -7 half steps", 0},
    {"Flat 5th, Octave Down || -6 half steps", 63},
    {"5th, Octave Down (4th Down) || -5 half steps", 127},
};

// 4th Down/3rd Down Harmony (60)
const ComboTableEntry fourthDownThirdDownHarmonyIntervals[] = {
    {"5th, Octave Down (4th Down) || -5 half steps", 0},
    {"Flat 6th, Octave Down (3rd Down) || -4 half steps", 63},
    {"6th, Octave Down (flat 3rd Down) || -3 half steps", 127},
};

// 5th Up/7th Up Harmony (59)
const ComboTableEntry fifthUpSeventhUpHarmonyIntervals[] = {
    {"5th || +7 half steps", 0},
    {"Flat 6th || +8 half steps", 40},
    {"6th || +9 half steps", 84},
    {"Flat 7th || +10 half steps", 127},
};

// 5th Up/6th Up Harmony (58)
const ComboTableEntry fifthUpSixthUpHarmonyIntervals[] = {
    {"5th || +7 half steps", 0},
    {"Flat 6th || +8 half steps", 64},
    {"6th || +9 half steps", 127},
};

// 4th Up/5th Up Harmony (57)
const ComboTableEntry fourthUpFifthUpHarmonyIntervals[] = {
    {"4th || +5 half steps", 0},
    {"Flat 5th || +6 half steps", 64},
    {"5th || +7 half steps", 127},
};

// 3rd Up/4th Up Harmony (56)
const ComboTableEntry thirdUpFourthUpHarmonyIntervals[] = {
    {"3rd || +4 half steps", 0},
    {"4th || +5 half steps", 127},
};

// flat 3rd Up/3rd Up Harmony (55)
const ComboTableEntry flatThirdUpThirdUpHarmonyIntervals[] = {
    {"Flat 3rd || +3 half steps", 0},
    {"3rd || +4 half steps", 127},
};

// 2nd Up/3rd Up Harmony (54)
const ComboTableEntry secondUpThirdUpHarmonyIntervals[] = {
    {"2nd || +2 half steps", 0},
    {"Flat 3rd || +3 half steps", 64},
    {"3rd || +4 half steps", 127},
};
} // namespace

// Constant addresses only, so the table is ready before any code runs.
const ComboTableRef intervalTables[intervalTableCount] = {
    {twoOctavesUpIntervals, tableSize(twoOctavesUpIntervals)},
    {octaveUpIntervals, tableSize(octaveUpIntervals)},
    {fifthUpIntervals, tableSize(fifthUpIntervals)},
    {fourthUpIntervals, tableSize(fourthUpIntervals)},
    {secondDownIntervals, tableSize(secondDownIntervals)},
    {fourthDownIntervals, tableSize(fourthDownIntervals)},
    {fifthDownIntervals, tableSize(fifthDownIntervals)},
    {octaveDownIntervals, tableSize(octaveDownIntervals)},
    {twoOctavesDownIntervals, tableSize(twoOctavesDownIntervals)},
    {diveBombIntervals, tableSize(diveBombIntervals)},
    {octaveDownOctaveUpHarmonyIntervals, tableSize(octaveDownOctaveUpHarmonyIntervals)},
    {fifthDownFourthDownHarmonyIntervals, tableSize(fifthDownFourthDownHarmonyIntervals)},
    {fourthDownThirdDownHarmonyIntervals, tableSize(fourthDownThirdDownHarmonyIntervals)},
    {fifthUpSeventhUpHarmonyIntervals, tableSize(fifthUpSeventhUpHarmonyIntervals)},
    {fifthUpSixthUpHarmonyIntervals, tableSize(fifthUpSixthUpHarmonyIntervals)},
    {fourthUpFifthUpHarmonyIntervals, tableSize(fourthUpFifthUpHarmonyIntervals)},
    {thirdUpFourthUpHarmonyIntervals, tableSize(thirdUpFourthUpHarmonyIntervals)},
    {flatThirdUpThirdUpHarmonyIntervals, tableSize(flatThirdUpThirdUpHarmonyIntervals)},
    {secondUpThirdUpHarmonyIntervals, tableSize(secondUpThirdUpHarmonyIntervals)},
};
