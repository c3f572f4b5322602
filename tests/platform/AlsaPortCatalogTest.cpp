// The ALSA backend's decisions, checked with port data as a desktop's
// sequencer reports it.
#include "midi/AlsaPortCatalog.h"

#include <gtest/gtest.h>

using PlatformMidi::AlsaPortCatalog;
using PlatformMidi::AlsaPortRecord;
using PlatformMidi::DeviceKind;

namespace
{
constexpr unsigned kRead = AlsaPortCatalog::kCapRead | AlsaPortCatalog::kCapSubsRead;
constexpr unsigned kWrite = AlsaPortCatalog::kCapWrite | AlsaPortCatalog::kCapSubsWrite;
constexpr unsigned kMidi = AlsaPortCatalog::kTypeMidiGeneric;
constexpr unsigned kApplication = AlsaPortCatalog::kTypeApplication;
constexpr unsigned kSynth = AlsaPortCatalog::kTypeSynth;
constexpr int kOwnClient = 130;

/** Ports as a machine with one USB interface, a software synth and a
    PipeWire bridge lists them (recorded with aconnect -l / port info). */
std::vector<AlsaPortRecord> recordedPorts()
{
    return {
        {0, 0, "System", "Timer", kRead | kWrite, 0},
        {0, 1, "System", "Announce", kRead | AlsaPortCatalog::kCapNoExport, 0},
        {14, 0, "Midi Through", "Midi Through Port-0", kRead | kWrite, kMidi | kApplication},
        {24, 0, "UM-ONE", "UM-ONE MIDI 1", kRead | kWrite, kMidi | (1u << 16) | (1u << 17)},
        {128, 0, "FLUID Synth (4242)", "Synth input port (4242:0)", kWrite, kMidi | kSynth | kApplication},
        {129, 0, "PipeWire-System", "input", kWrite, kMidi | kApplication},
        {129, 1, "PipeWire-System", "output", kRead, kMidi | kApplication},
        {130, 0, "Vaskor MIDI 5", "announce", AlsaPortCatalog::kCapWrite | AlsaPortCatalog::kCapNoExport,
         kApplication},
        {131, 0, "Sequencer", "Hidden", kRead | kWrite | AlsaPortCatalog::kCapNoExport, kMidi},
        {132, 0, "Timer Tool", "Clock", kRead | kWrite, 0},
        {133, 0, "Write Only", "No Subscription", AlsaPortCatalog::kCapWrite, kMidi},
    };
}

std::vector<std::string> names(const AlsaPortCatalog& catalog, DeviceKind kind)
{
    std::vector<std::string> result;
    for (const auto& device : catalog.devices(kind))
        result.push_back(device.name);
    return result;
}

std::vector<std::string> identities(const AlsaPortCatalog& catalog, DeviceKind kind)
{
    std::vector<std::string> result;
    for (const auto& device : catalog.devices(kind))
        result.push_back(device.identity);
    return result;
}
} // namespace

TEST(AlsaPortCatalog, ListsWritableAndReadableMidiPortsOfOtherClientsWithRecognisableNames)
{
    AlsaPortCatalog catalog(kOwnClient);
    catalog.load(recordedPorts());
    EXPECT_EQ((std::vector<std::string>{"Midi Through Port-0", "UM-ONE MIDI 1",
                                        "FLUID Synth (4242): Synth input port (4242:0)", "PipeWire-System: input"}),
              names(catalog, DeviceKind::output));
    EXPECT_EQ((std::vector<std::string>{"Midi Through Port-0", "UM-ONE MIDI 1", "PipeWire-System: output"}),
              names(catalog, DeviceKind::input));
    EXPECT_EQ((std::vector<std::string>{"alsa:Midi Through:Midi Through Port-0", "alsa:UM-ONE:UM-ONE MIDI 1",
                                        "alsa:FLUID Synth (4242):Synth input port (4242:0)",
                                        "alsa:PipeWire-System:input"}),
              identities(catalog, DeviceKind::output));
    EXPECT_EQ(24, catalog.devices(DeviceKind::output)[1].client);
    EXPECT_TRUE(catalog.contains(DeviceKind::input, 129, 1));
    EXPECT_FALSE(catalog.contains(DeviceKind::output, 129, 1));
}

TEST(AlsaPortCatalog, IdentityUsesNamesNotNumbersAndTellsTwinDevicesApart)
{
    AlsaPortCatalog catalog(kOwnClient);
    catalog.load({{24, 0, "UM-ONE", "UM-ONE MIDI 1", kWrite, kMidi}, {28, 0, "UM-ONE", "UM-ONE MIDI 1", kWrite, kMidi}});
    EXPECT_EQ((std::vector<std::string>{"alsa:UM-ONE:UM-ONE MIDI 1", "alsa:UM-ONE:UM-ONE MIDI 1#2"}),
              identities(catalog, DeviceKind::output));

    // The same device plugged in again comes back under another number with the same identity,
    // while its twin kept its own all along.
    EXPECT_TRUE(catalog.clientExited(24));
    EXPECT_EQ((std::vector<std::string>{"alsa:UM-ONE:UM-ONE MIDI 1#2"}), identities(catalog, DeviceKind::output));
    EXPECT_TRUE(catalog.portStarted({36, 0, "UM-ONE", "UM-ONE MIDI 1", kWrite, kMidi}));
    EXPECT_EQ((std::vector<std::string>{"alsa:UM-ONE:UM-ONE MIDI 1#2", "alsa:UM-ONE:UM-ONE MIDI 1"}),
              identities(catalog, DeviceKind::output));
    EXPECT_EQ(36, catalog.devices(DeviceKind::output)[1].client);
}

TEST(AlsaPortCatalog, ATwinKeepsItsNumberWhileItStaysAndNewcomersTakeTheLowestFreeOne)
{
    const AlsaPortRecord twin{20, 0, "Twin", "Port", kRead | kWrite, kMidi};
    AlsaPortCatalog catalog(kOwnClient);
    catalog.load({twin, {21, 0, "Twin", "Port", kWrite, kMidi}, {22, 0, "Twin", "Port", kWrite, kMidi}});
    const std::string base = "alsa:Twin:Port";
    EXPECT_EQ((std::vector<std::string>{base, base + "#2", base + "#3"}), identities(catalog, DeviceKind::output));

    EXPECT_TRUE(catalog.portExited(20, 0));
    EXPECT_EQ((std::vector<std::string>{base + "#2", base + "#3"}), identities(catalog, DeviceKind::output));
    EXPECT_TRUE(catalog.clientRenamed(21, "Other")); // leaves the twins: its number is free again
    EXPECT_TRUE(catalog.portStarted({23, 0, "Twin", "Port", kWrite, kMidi}));
    EXPECT_TRUE(catalog.portStarted({24, 0, "Twin", "Port", kWrite, kMidi}));
    EXPECT_EQ((std::vector<std::string>{"alsa:Other:Port", base + "#3", base, base + "#2"}),
              identities(catalog, DeviceKind::output));

    // A port that changes without changing its names keeps its number; one
    // that stops being an output gives it up.
    EXPECT_FALSE(catalog.portChanged({22, 0, "Twin", "Port", kWrite, kMidi}));
    EXPECT_TRUE(catalog.portChanged({23, 0, "Twin", "Port", kRead, kMidi}));
    EXPECT_EQ((std::vector<std::string>{"alsa:Other:Port", base + "#3", base + "#2"}),
              identities(catalog, DeviceKind::output));
    EXPECT_EQ((std::vector<std::string>{base}), identities(catalog, DeviceKind::input));
}

TEST(AlsaPortCatalog, NamesBeyondAsciiGiveDistinctAsciiIdentitiesAndKeepTheirDisplayNames)
{
    AlsaPortCatalog catalog(kOwnClient);
    catalog.load({
        {24, 0, "Synth\xC3\xA9", "Synth\xC3\xA9 MIDI 1", kWrite, kMidi},
        {25, 0, "\xE3\x82\xB7\xE3\x83\xB3\xE3\x82\xBB", "MIDI 1", kWrite, kMidi},
        {26, 0, "Synth%C3%A9", "Synth%C3%A9 MIDI 1", kWrite, kMidi}, // not taken for the first
        {27, 0, "100% Synth", "Port", kWrite, kMidi},
    });
    EXPECT_EQ((std::vector<std::string>{"alsa:Synth%C3%A9:Synth%C3%A9 MIDI 1", "alsa:%E3%82%B7%E3%83%B3%E3%82%BB:MIDI 1",
                                        "alsa:Synth%25C3%25A9:Synth%25C3%25A9 MIDI 1", "alsa:100%25 Synth:Port"}),
              identities(catalog, DeviceKind::output));
    EXPECT_EQ("Synth\xC3\xA9 MIDI 1", names(catalog, DeviceKind::output)[0]);
    EXPECT_EQ("\xE3\x82\xB7\xE3\x83\xB3\xE3\x82\xBB: MIDI 1", names(catalog, DeviceKind::output)[1]);
}

TEST(AlsaPortCatalog, AnnounceEventsChangeTheListsAndSayWhetherTheyDid)
{
    AlsaPortCatalog catalog(kOwnClient);
    catalog.load(recordedPorts());
    const AlsaPortRecord keyboard{140, 0, "Vaskor Keys", "Vaskor Keys MIDI 1", kRead | kWrite, kMidi};

    EXPECT_TRUE(catalog.portStarted(keyboard));
    EXPECT_EQ("Vaskor Keys MIDI 1", names(catalog, DeviceKind::output).back()); // newest last
    EXPECT_EQ("Vaskor Keys MIDI 1", names(catalog, DeviceKind::input).back());
    EXPECT_FALSE(catalog.portStarted({141, 0, "Timer Tool", "Clock 2", kRead, 0})); // no device
    EXPECT_FALSE(catalog.portChanged(keyboard));                                    // nothing new

    AlsaPortRecord readOnly = keyboard;
    readOnly.capability = kRead;
    EXPECT_TRUE(catalog.portChanged(readOnly));
    EXPECT_FALSE(catalog.contains(DeviceKind::output, 140, 0));
    EXPECT_TRUE(catalog.contains(DeviceKind::input, 140, 0));

    EXPECT_TRUE(catalog.clientRenamed(24, "UM-TWO"));
    EXPECT_EQ("UM-TWO: UM-ONE MIDI 1", names(catalog, DeviceKind::output)[1]);
    EXPECT_EQ("alsa:UM-TWO:UM-ONE MIDI 1", identities(catalog, DeviceKind::output)[1]);
    EXPECT_FALSE(catalog.clientRenamed(132, "Renamed Timer"));

    EXPECT_TRUE(catalog.portExited(140, 0));
    EXPECT_FALSE(catalog.portExited(140, 0));
    EXPECT_TRUE(catalog.clientExited(129));
    EXPECT_EQ((std::vector<std::string>{"Midi Through Port-0", "UM-TWO: UM-ONE MIDI 1"}),
              names(catalog, DeviceKind::input));
}

TEST(AlsaPortCatalog, PortsOfOneNameInClientsOfDifferentNamesAreToldApartByTheirClients)
{
    // A port name that contains its client's name names the device alone,
    // unless a port of a client of another name has the same port name; then
    // each is listed as "client: port" (a client without a name cannot be
    // named). Twins (same client and port names) get one name, which the
    // device lists number.
    AlsaPortCatalog catalog(kOwnClient);
    catalog.load({
        {14, 0, "Midi Through", "Midi Through Port-0", kRead | kWrite, kMidi | kApplication},
        {24, 0, "USB MIDI", "USB MIDI 1", kRead | kWrite, kMidi},
        {28, 0, "USB", "USB MIDI 1", kRead | kWrite, kMidi},
        {129, 0, "aseqdump", "aseqdump", kWrite, kApplication},
        {131, 0, "aseqdump", "aseqdump", kWrite, kApplication},
        {132, 0, "", "aseqdump", kWrite, kApplication},
    });
    EXPECT_EQ((std::vector<std::string>{"Midi Through Port-0", "USB MIDI: USB MIDI 1", "USB: USB MIDI 1",
                                        "aseqdump: aseqdump", "aseqdump: aseqdump", "aseqdump"}),
              names(catalog, DeviceKind::output));
    EXPECT_EQ((std::vector<std::string>{"Midi Through Port-0", "USB MIDI: USB MIDI 1", "USB: USB MIDI 1"}),
              names(catalog, DeviceKind::input));

    // Alone again, a port is named by its port name.
    EXPECT_TRUE(catalog.clientExited(28));
    EXPECT_TRUE(catalog.clientExited(132));
    EXPECT_EQ((std::vector<std::string>{"Midi Through Port-0", "USB MIDI 1", "aseqdump", "aseqdump"}),
              names(catalog, DeviceKind::output));
    EXPECT_EQ((std::vector<std::string>{"Midi Through Port-0", "USB MIDI 1"}), names(catalog, DeviceKind::input));
}
