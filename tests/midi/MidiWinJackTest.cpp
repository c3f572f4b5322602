// The MME ports over the JACK backend: real I/O with a JACK client on the
// other side.
#include "MessageWindow.h"
#include "MidiWinFactory.h"
#include "TMidiInputWin.h"
#include "TMidiOutputWin.h"

#include "midi/JackMidiBackend.h"
#include "support/JackTestSupport.h"
#include "support/MidiDataCollector.h"
#include "support/MidiTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace
{
using TestSupport::waitFor;

// The device id of the port of the kind whose product name is name, or -1.
int deviceNamed(bool isInput, const std::string& name)
{
    const UINT count = isInput ? midiInGetNumDevs() : midiOutGetNumDevs();
    for (UINT id = 0; id < count; ++id)
    {
        if (isInput)
        {
            MIDIINCAPSA caps{};
            if (midiInGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR && name == caps.szPname)
                return static_cast<int>(id);
        }
        else
        {
            MIDIOUTCAPSA caps{};
            if (midiOutGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR && name == caps.szPname)
                return static_cast<int>(id);
        }
    }
    return -1;
}

// Counts the device-change broadcasts its window receives.
class DeviceChangeCounter : public Tr::TWndMessageListener
{
public:
    LRESULT handleMessage(HWND, UINT message, WPARAM, LPARAM, int*) override
    {
        if (message == WM_DEVICECHANGE)
            ++changes;
        return 0;
    }
    std::atomic<int> changes{0};
};

// The JACK backend in use and a peer client with ports of test-unique names.
class MmeOverJack : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VASKOR_REQUIRE_JACK_SERVER();
        backend = std::make_unique<TestSupport::ScopedMidiBackend<PlatformMidi::JackMidiBackend>>();
        peer = std::make_unique<TestSupport::JackPeer>("vaskor-mme-peer");
        ASSERT_TRUE(peer->isOpen());
        ASSERT_TRUE(waitFor([&] { return (*backend)->isConnected(); }));
    }

    // Waits until the backend lists the port; its device id, or -1.
    static int waitForDevice(bool isInput, const std::string& name)
    {
        int id = -1;
        waitFor([&] { return (id = deviceNamed(isInput, name)) >= 0; });
        return id;
    }

    // An output port of the MME factory on JACK device id.
    static std::unique_ptr<Tr::TMidiOutputWin> outputOn(int id)
    {
        const Tr::MidiDeviceDescriptor d(Tr::MidiWinFactory::getInstance(), false, id + 1, "Jack Out", "", "", "");
        return std::make_unique<Tr::TMidiOutputWin>(&d);
    }

    std::unique_ptr<TestSupport::ScopedMidiBackend<PlatformMidi::JackMidiBackend>> backend;
    std::unique_ptr<TestSupport::JackPeer> peer;
};
} // namespace

TEST_F(MmeOverJack, ABankSysExArrivesByteForByteAtAJackClient)
{
    ASSERT_FALSE(peer->addInput("mme-bank-in").empty());
    const int id = waitForDevice(false, peer->listedName("mme-bank-in"));
    ASSERT_GE(id, 0);
    auto port = outputOn(id);
    port->open();
    const std::vector<unsigned char> bank = TestSupport::sysex(690);
    ASSERT_TRUE(port->sendLong(bank.data(), 690));
    ASSERT_TRUE(peer->waitForEvents(1));
    const auto events = peer->received();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].port, "mme-bank-in");
    EXPECT_EQ(events[0].bytes, bank);
    EXPECT_TRUE(waitFor([&] { return port->getPendingCount() == 0; }));
    port->close();
}

TEST_F(MmeOverJack, APortThatComesAndGoesIsBroadcastAsADeviceChange)
{
    DeviceChangeCounter counter;
    HWND window = Tr::createMessageWindow(&counter, "device changes");
    ASSERT_NE(window, nullptr);
    ASSERT_FALSE(peer->addInput("mme-coming").empty());
    EXPECT_GE(waitForDevice(false, peer->listedName("mme-coming")), 0);
    EXPECT_TRUE(waitFor([&] { return counter.changes >= 1; }));
    const int afterArrival = counter.changes;
    ASSERT_TRUE(peer->removePort("mme-coming"));
    EXPECT_TRUE(waitFor([&] { return deviceNamed(false, peer->listedName("mme-coming")) < 0; }));
    EXPECT_TRUE(waitFor([&] { return counter.changes > afterArrival; }));
    Tr::releaseMessageWindow(window);
}

TEST_F(MmeOverJack, AnOpenPortWhoseJackPortGoesAwayIsClosedBySystemAndRefusesLongMessages)
{
    ASSERT_FALSE(peer->addInput("mme-leaving").empty());
    const int id = waitForDevice(false, peer->listedName("mme-leaving"));
    ASSERT_GE(id, 0);
    auto port = outputOn(id);
    port->open();
    ASSERT_TRUE(peer->removePort("mme-leaving"));
    ASSERT_TRUE(waitFor([&] { return port->isClosedBySystem(); }));
    const std::vector<unsigned char> bank = TestSupport::sysex(690);
    EXPECT_FALSE(port->sendLong(bank.data(), 690));
    port->checkClosed();
    EXPECT_FALSE(port->isOpen());
}

TEST_F(MmeOverJack, AShortMessageAndASysExFromAJackClientReachTheInputsListener)
{
    ASSERT_FALSE(peer->addOutput("mme-keys").empty());
    const int id = waitForDevice(true, peer->listedName("mme-keys"));
    ASSERT_GE(id, 0);
    const Tr::MidiDeviceDescriptor d(Tr::MidiWinFactory::getInstance(), true, id, "Jack In", "", "", "");
    Tr::TMidiInputWin port(&d);
    TestSupport::MidiDataCollector collector;
    port.setDataListener(&collector);
    port.open();
    port.start();
    const std::vector<unsigned char> note{0x90, 0x3C, 0x40};
    const std::vector<unsigned char> sysex = TestSupport::sysex(100);
    ASSERT_TRUE(peer->send("mme-keys", note));
    ASSERT_TRUE(waitFor([&] { return collector.bytes().size() >= 1; }));
    ASSERT_TRUE(peer->send("mme-keys", sysex));
    ASSERT_TRUE(waitFor([&] { return collector.bytes().size() >= 2; }));
    EXPECT_EQ(collector.bytes(), (std::vector<std::vector<unsigned char>>{note, sysex}));
    port.stop();
    port.close();
}
