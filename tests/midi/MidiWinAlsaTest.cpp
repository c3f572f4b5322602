// The MME ports over the ALSA backend and the kernel's sequencer (run inside
// the virtual machine: scripts/alsa-vm), with amidi and aseqdump on the
// other side.
#include "MidiWinFactory.h"
#include "TMidiInputWin.h"
#include "TMidiOutputWin.h"

#include "midi/AlsaMidiBackend.h"
#include "support/AlsaTestSupport.h"
#include "support/MidiDataCollector.h"
#include "support/MidiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using TestSupport::waitFor;
using Bytes = std::vector<unsigned char>;

namespace
{
class MmeOverAlsa : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VASKOR_REQUIRE_ALSA_SEQUENCER();
        backend = std::make_unique<TestSupport::ScopedMidiBackend<PlatformMidi::AlsaMidiBackend>>();
        ASSERT_TRUE((*backend)->isOpen()) << (*backend)->failure();
    }

    int waitForDevice(PlatformMidi::DeviceKind kind, const std::string& identity)
    {
        return TestSupport::waitForDevice(**backend, kind, identity);
    }

    std::unique_ptr<TestSupport::ScopedMidiBackend<PlatformMidi::AlsaMidiBackend>> backend;
};
} // namespace

TEST_F(MmeOverAlsa, ABankSysExArrivesAtASequencerClientAsOneEventByteForByte)
{
    TestSupport::AseqdumpPeer peer;
    ASSERT_TRUE(peer.waitUntilReady());
    const int id = waitForDevice(PlatformMidi::DeviceKind::output, "alsa:aseqdump:aseqdump");
    ASSERT_GE(id, 0);
    // The MME factory's outputs start with the mapper (-1) at index 0.
    const Tr::MidiDeviceDescriptor d(Tr::MidiWinFactory::getInstance(), false, id + 1, "aseqdump", "", "", "");
    Tr::TMidiOutputWin port(&d);
    port.open();
    const Bytes bank = TestSupport::sysex(690);
    ASSERT_TRUE(port.sendLong(bank.data(), 690));
    ASSERT_TRUE(peer.waitForSysex(1));
    EXPECT_EQ(std::vector<Bytes>{bank}, peer.sysexEvents());
    EXPECT_TRUE(waitFor([&] { return port.getPendingCount() == 0; }));
    port.close();
}

TEST_F(MmeOverAlsa, ANoteAndASysExWrittenToTheRawDeviceReachTheInputsListener)
{
    const int id = waitForDevice(PlatformMidi::DeviceKind::input, "alsa:Virtual Raw MIDI 0-0:VirMIDI 0-0");
    ASSERT_GE(id, 0);
    const Tr::MidiDeviceDescriptor d(Tr::MidiWinFactory::getInstance(), true, id, "VirMIDI 0-0", "", "", "");
    Tr::TMidiInputWin port(&d);
    TestSupport::MidiDataCollector collector;
    port.setDataListener(&collector);
    port.open();
    port.start();
    ASSERT_EQ(0, TestSupport::amidiSend(0, "90 3C 40 F0 7D 01 02 03 04 05 F7"));
    ASSERT_TRUE(waitFor([&] { return collector.bytes().size() >= 2; }, 10000));
    EXPECT_EQ(collector.bytes(), (std::vector<Bytes>{{0x90, 0x3C, 0x40}, {0xF0, 0x7D, 0x01, 0x02, 0x03, 0x04, 0x05, 0xF7}}));
    port.stop();
    port.close();
}
