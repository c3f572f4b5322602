// The names under which the JACK backend lists ports, checked with port data
// as a JACK server reports it (full name, physical flag, first alias).
#include "midi/JackPortNames.h"

#include <gtest/gtest.h>

using PlatformMidi::JackPortFacts;
using PlatformMidi::jackDeviceNames;
using Names = std::vector<std::string>;

TEST(JackPortNames, PortsOfOneShortNameInTwoClientsAreListedUnderTheirFullNames)
{
    // Two jack_midi_dump monitors, one of them with an alias of its own.
    EXPECT_EQ(jackDeviceNames({{"midi-monitor:input", false, ""}, {"mon2:input", false, "input"}}),
              (Names{"midi-monitor:input", "mon2:input"}));
}

TEST(JackPortNames, APhysicalPortShowsItsAliasUnlessAnotherPortHasThatName)
{
    const struct
    {
        const char* what;
        std::vector<JackPortFacts> ports;
        Names names;
    } cases[] = {
        {"the alias names the hardware",
         {{"system:midi_capture_1", true, "UM-ONE MIDI 1"}, {"system:midi_capture_2", true, ""}},
         {"UM-ONE MIDI 1", "system:midi_capture_2"}},
        {"two physical ports with one alias: both full names",
         {{"system:midi_capture_1", true, "UM-ONE MIDI 1"}, {"system:midi_capture_2", true, "UM-ONE MIDI 1"},
          {"system:midi_capture_3", true, "Keys"}},
         {"system:midi_capture_1", "system:midi_capture_2", "Keys"}},
        {"an alias that is another port's full name",
         {{"a2j:Keys", false, ""}, {"system:midi_capture_1", true, "a2j:Keys"}},
         {"a2j:Keys", "system:midi_capture_1"}},
        {"an alias that only an application port has is not shown by it, nor taken from it",
         {{"synth:in", false, "Keys"}, {"system:midi_capture_1", true, "Keys"}},
         {"synth:in", "Keys"}},
        // Names are cut at 31 bytes: an alias is compared as it is shown.
        {"an alias that is another port's full name as it is cut",
         {{"a-long-client-name:a-long-port-name", false, ""},
          {"system:midi_capture_1", true, "a-long-client-name:a-long-port-"}},
         {"a-long-client-name:a-long-port-name", "system:midi_capture_1"}},
        {"two aliases that differ only after the cut",
         {{"system:midi_capture_1", true, "USB MIDI Interface Model X Port 1"},
          {"system:midi_capture_2", true, "USB MIDI Interface Model X Port 2"}},
         {"system:midi_capture_1", "system:midi_capture_2"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(jackDeviceNames(c.ports), c.names) << c.what;
}
