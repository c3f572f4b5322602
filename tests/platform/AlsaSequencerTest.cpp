// The ALSA backend against the kernel's own sequencer (scripts/test runs
// these tests inside a virtual machine that has one: scripts/alsa-vm),
// through the multimedia MIDI front, with amidi and aseqdump as the peers.
#include "support/AlsaTestSupport.h"
#include "support/DeviceChangeWindow.h"
#include "support/MidiTestSupport.h"

#include "midi/AlsaMidiBackend.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

using PlatformMidi::AlsaMidiBackend;
using PlatformMidi::DeviceKind;
using TestSupport::AmidiReader;
using TestSupport::AseqdumpPeer;
using TestSupport::MidiBuffer;
using TestSupport::MidiCallbackLog;
using Bytes = std::vector<unsigned char>;

namespace
{
// The ports the kernel's modules make: snd-seq-dummy and snd-virmidi.
const char kThrough[] = "alsa:Midi Through:Midi Through Port-0";
const char kVirMidi0[] = "alsa:Virtual Raw MIDI 0-0:VirMIDI 0-0";
const char kAseqdump[] = "alsa:aseqdump:aseqdump";

class AlsaSequencer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VASKOR_REQUIRE_ALSA_SEQUENCER();
        backend = std::make_unique<TestSupport::ScopedMidiBackend<AlsaMidiBackend>>();
        ASSERT_TRUE((*backend)->isOpen()) << (*backend)->failure();
    }

    void TearDown() override
    {
        if (output != nullptr)
            midiOutClose(output);
        if (input != nullptr)
        {
            midiInReset(input);
            midiInClose(input);
        }
        backend.reset();
    }

    std::vector<std::string> identities(DeviceKind kind) { return TestSupport::deviceIdentities(**backend, kind); }
    int findDevice(DeviceKind kind, const std::string& identity)
    {
        return TestSupport::waitForDevice(**backend, kind, identity);
    }

    std::string productName(DeviceKind kind, UINT id)
    {
        if (kind == DeviceKind::output)
        {
            MIDIOUTCAPSA caps{};
            return midiOutGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "";
        }
        MIDIINCAPSA caps{};
        return midiInGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : "";
    }

    void openOutput(const std::string& identity)
    {
        const int id = findDevice(DeviceKind::output, identity);
        ASSERT_GE(id, 0) << identity;
        ASSERT_EQ(MMSYSERR_NOERROR, midiOutOpen(&output, static_cast<UINT>(id), MidiCallbackLog::output(),
                                                log.instance(), CALLBACK_FUNCTION));
    }

    /** Sends bytes (a SysEx as a long message, else a short one). */
    void send(const Bytes& bytes)
    {
        if (bytes[0] != 0xF0)
        {
            DWORD packed = 0;
            for (size_t i = 0; i < bytes.size(); ++i)
                packed |= static_cast<DWORD>(bytes[i]) << (8 * i);
            ASSERT_EQ(MMSYSERR_NOERROR, midiOutShortMsg(output, packed));
            return;
        }
        const size_t done = log.of(MOM_DONE).size();
        buffers.emplace_back(bytes);
        MIDIHDR& header = buffers.back().header;
        ASSERT_EQ(MMSYSERR_NOERROR, midiOutPrepareHeader(output, &header, sizeof header));
        ASSERT_EQ(MMSYSERR_NOERROR, midiOutLongMsg(output, &header, sizeof header));
        ASSERT_TRUE(log.waitFor(MOM_DONE, done + 1));
    }

    std::unique_ptr<TestSupport::ScopedMidiBackend<AlsaMidiBackend>> backend;
    MidiCallbackLog log;
    std::deque<MidiBuffer> buffers; // outlive the handles, which TearDown closes
    HMIDIOUT output = nullptr;
    HMIDIIN input = nullptr;
};

// What the tests send: the 690-byte bank between short messages.
const Bytes kBank = TestSupport::sysex(690);
const Bytes kNote{0x90, 0x3C, 0x40};
const Bytes kProgram{0xC0, 0x05};
} // namespace

TEST_F(AlsaSequencer, ListsTheKernelsPortsByNameAndNeitherTheSystemClientNorItsOwnPorts)
{
    const struct
    {
        std::string identity;
        std::string name;
    } ports[] = {
        {kThrough, "Midi Through Port-0"},
        {kVirMidi0, "Virtual Raw MIDI 0-0: VirMIDI 0"}, // cut at 31 bytes
        {"alsa:Virtual Raw MIDI 0-1:VirMIDI 0-1", "Virtual Raw MIDI 0-1: VirMIDI 0"},
        {"alsa:Virtual Raw MIDI 0-2:VirMIDI 0-2", "Virtual Raw MIDI 0-2: VirMIDI 0"},
        {"alsa:Virtual Raw MIDI 0-3:VirMIDI 0-3", "Virtual Raw MIDI 0-3: VirMIDI 0"},
    };
    openOutput(kThrough); // our own port, readable by others, is no input
    for (const DeviceKind kind : {DeviceKind::output, DeviceKind::input})
    {
        SCOPED_TRACE(kind == DeviceKind::output ? "outputs" : "inputs");
        std::vector<std::string> expected;
        for (const auto& port : ports)
        {
            expected.push_back(port.identity);
            const int id = findDevice(kind, port.identity);
            ASSERT_GE(id, 0) << port.identity;
            EXPECT_EQ(port.name, productName(kind, static_cast<UINT>(id)));
        }
        EXPECT_EQ(expected, identities(kind)) << "the system client and our client are not listed";
    }
}

TEST_F(AlsaSequencer, TheBankAndShortMessagesReachTheRawDeviceByteForByteTheBankAsOneWholeSysex)
{
    AmidiReader amidi(0);
    ASSERT_TRUE(amidi.waitUntilReady());
    openOutput(kVirMidi0);
    for (const Bytes& message : {kNote, kBank, kProgram})
        send(message);
    ASSERT_TRUE(amidi.waitForMessages(3));
    EXPECT_EQ((std::vector<Bytes>{kNote, kBank, kProgram}), amidi.messages());
}

TEST_F(AlsaSequencer, TheBankReachesASequencerClientAsOneEvent)
{
    AseqdumpPeer peer;
    ASSERT_TRUE(peer.waitUntilReady());
    openOutput(kAseqdump);
    send(kBank);
    send(kNote);
    ASSERT_TRUE(TestSupport::waitFor([&] { return peer.eventLines("Note on").size() == 1; }));
    EXPECT_EQ(std::vector<Bytes>{kBank}, peer.sysexEvents());
}

TEST_F(AlsaSequencer, BanksSentWhileThePeerReadsNothingArriveLaterNeitherCutNorMerged)
{
    // Three banks and their notes fit both the raw device's buffer (4 KB)
    // and a sequencer client's input pool; beyond them the kernel drops.
    constexpr size_t kBanks = 3;
    AmidiReader amidi(0);
    AseqdumpPeer peer;
    ASSERT_TRUE(amidi.waitUntilReady());
    ASSERT_TRUE(peer.waitUntilReady());
    amidi.process().pause();
    peer.process().pause();
    std::vector<Bytes> expected;
    for (const std::string& identity : {std::string(kVirMidi0), std::string(kAseqdump)})
    {
        openOutput(identity);
        for (size_t i = 0; i < kBanks; ++i)
        {
            send(kBank);
            send(kNote);
            if (identity == kVirMidi0)
                expected.insert(expected.end(), {kBank, kNote});
        }
        ASSERT_EQ(MMSYSERR_NOERROR, midiOutClose(output));
        output = nullptr;
    }
    Sleep(500);
    amidi.process().resume();
    peer.process().resume();
    ASSERT_TRUE(amidi.waitForMessages(expected.size()));
    EXPECT_EQ(expected, amidi.messages());
    ASSERT_TRUE(peer.waitForSysex(kBanks));
    Sleep(200);
    EXPECT_EQ(std::vector<Bytes>(kBanks, kBank), peer.sysexEvents());
    EXPECT_EQ(kBanks, peer.eventLines("Note on").size());
}

TEST_F(AlsaSequencer, SysexAndShortMessagesWrittenToTheRawDeviceReachAnOpenInput)
{
    const int id = findDevice(DeviceKind::input, kVirMidi0);
    ASSERT_GE(id, 0);
    ASSERT_EQ(MMSYSERR_NOERROR, midiInOpen(&input, static_cast<UINT>(id), MidiCallbackLog::input(), log.instance(),
                                           CALLBACK_FUNCTION | MIDI_IO_STATUS));
    for (int i = 0; i < 4; ++i)
    {
        buffers.emplace_back(512);
        ASSERT_EQ(MMSYSERR_NOERROR, midiInPrepareHeader(input, &buffers.back().header, sizeof(MIDIHDR)));
        ASSERT_EQ(MMSYSERR_NOERROR, midiInAddBuffer(input, &buffers.back().header, sizeof(MIDIHDR)));
    }
    ASSERT_EQ(MMSYSERR_NOERROR, midiInStart(input));

    const Bytes message = TestSupport::sysex(300);
    std::string hex = "90 3C 40";
    for (const unsigned char byte : message)
    {
        static const char digits[] = "0123456789ABCDEF";
        hex += {' ', digits[byte >> 4], digits[byte & 0x0F]};
    }
    ASSERT_EQ(0, TestSupport::amidiSend(0, hex));
    ASSERT_TRUE(log.waitFor(MIM_DATA));
    ASSERT_TRUE(log.waitFor(MIM_LONGDATA));
    EXPECT_EQ(0x403C90u, log.of(MIM_DATA)[0].param1);
    EXPECT_EQ(message, log.of(MIM_LONGDATA)[0].data);
}

TEST_F(AlsaSequencer, AClientThatStartsIsListedWithADeviceChangeAndDroppedWhenItEnds)
{
    TestSupport::DeviceChangeWindow windows;
    const UINT before = midiOutGetNumDevs();
    auto peer = std::make_unique<AseqdumpPeer>();
    ASSERT_TRUE(peer->waitUntilReady());
    const int id = findDevice(DeviceKind::output, kAseqdump);
    ASSERT_GE(id, 0);
    EXPECT_EQ("aseqdump", productName(DeviceKind::output, static_cast<UINT>(id)));
    EXPECT_EQ(before + 1, midiOutGetNumDevs());
    EXPECT_TRUE(TestSupport::waitFor([&] { return windows.deviceChanges() >= 1; }));
    openOutput(kAseqdump);

    const size_t seen = windows.deviceChanges();
    peer.reset();
    EXPECT_TRUE(TestSupport::waitFor([&] { return midiOutGetNumDevs() == before; }));
    EXPECT_TRUE(TestSupport::waitFor([&] { return windows.deviceChanges() > seen; }));
    EXPECT_TRUE(log.waitFor(MOM_CLOSE)) << "the open port went with its client";
    MidiBuffer bank(kBank);
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutPrepareHeader(output, &bank.header, sizeof(MIDIHDR)));
    EXPECT_EQ(MIDIERR_NODEVICE, midiOutLongMsg(output, &bank.header, sizeof(MIDIHDR)));
}

TEST_F(AlsaSequencer, TwoClientsOfEqualNamesAreToldApartAndEachGetsOnlyWhatIsSentToIt)
{
    AseqdumpPeer first;
    ASSERT_TRUE(first.waitUntilReady());
    ASSERT_GE(findDevice(DeviceKind::output, kAseqdump), 0);
    AseqdumpPeer second;
    ASSERT_TRUE(second.waitUntilReady());
    const std::string secondIdentity = std::string(kAseqdump) + "#2";
    openOutput(secondIdentity);
    send(kBank);
    ASSERT_TRUE(second.waitForSysex(1));
    Sleep(200);
    EXPECT_EQ(std::vector<Bytes>{kBank}, second.sysexEvents());
    EXPECT_TRUE(first.sysexEvents().empty());
}

TEST(AlsaSequencerChoice, WithTheSequencerThereAndNoSettingAlsaIsTaken)
{
    VASKOR_REQUIRE_ALSA_SEQUENCER();
    std::string report;
    const auto chosen = PlatformMidi::MidiBackendChoice::choose(nullptr, report);
    EXPECT_EQ("ALSA", chosen->name());
    EXPECT_EQ("", report);
    EXPECT_TRUE(static_cast<AlsaMidiBackend&>(*chosen).isOpen());
    EXPECT_EQ(5u, chosen->deviceCount(DeviceKind::output)) << "Midi Through and the four VirMIDI ports";
}
