// The JACK backend with real I/O, through the multimedia MIDI front, against
// a JACK peer client (needs the server that scripts/test starts).
#include "support/JackTestSupport.h"
#include "support/MidiTestSupport.h"
#include "support/DeviceChangeWindow.h"

#include "midi/JackMidiBackend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <deque>
#include <future>
#include <thread>
#include <unistd.h>

using PlatformMidi::JackMidiBackend;
using TestSupport::JackPeer;
using TestSupport::MidiBuffer;
using TestSupport::MidiCallbackLog;

namespace
{
class JackMidi : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VASKOR_REQUIRE_JACK_SERVER();
        peer = std::make_unique<JackPeer>();
        ASSERT_TRUE(peer->isOpen());
        backend = std::make_unique<TestSupport::ScopedMidiBackend<JackMidiBackend>>();
        ASSERT_TRUE((*backend)->isConnected());
    }

    void TearDown() override
    {
        if (output != nullptr)
            midiOutClose(output);
        if (input != nullptr)
            midiInClose(input);
        backend.reset();
        peer.reset();
    }

    /** The device id of the kind whose interface path names this JACK port,
        once it is listed; -1 when it never is. */
    int findDevice(bool isOutput, const std::string& fullName)
    {
        int found = -1;
        TestSupport::waitFor([&] {
            const UINT count = isOutput ? midiOutGetNumDevs() : midiInGetNumDevs();
            for (UINT id = 0; id < count; ++id)
                if (path(isOutput, id) == "jack:" + fullName)
                    found = static_cast<int>(id);
            return found >= 0;
        });
        return found;
    }

    std::string path(bool isOutput, UINT id)
    {
        std::vector<char16_t> wide(512);
        const DWORD_PTR deviceId = id;
        const MMRESULT code =
            isOutput ? midiOutMessage(reinterpret_cast<HMIDIOUT>(deviceId), DRV_QUERYDEVICEINTERFACE,
                                      reinterpret_cast<DWORD_PTR>(wide.data()), wide.size() * 2)
                     : midiInMessage(reinterpret_cast<HMIDIIN>(deviceId), DRV_QUERYDEVICEINTERFACE,
                                     reinterpret_cast<DWORD_PTR>(wide.data()), wide.size() * 2);
        std::string text;
        for (size_t i = 0; code == MMSYSERR_NOERROR && wide[i] != 0; ++i)
            text += static_cast<char>(wide[i]);
        return text;
    }

    /** Opens the backend's output to a new peer port "sink". */
    void openOutputToPeer()
    {
        const int id = findDevice(true, peer->addInput("sink"));
        ASSERT_GE(id, 0);
        ASSERT_EQ(MMSYSERR_NOERROR, midiOutOpen(&output, static_cast<UINT>(id), MidiCallbackLog::output(),
                                                log.instance(), CALLBACK_FUNCTION));
    }

    MMRESULT sendLong(MidiBuffer& buffer)
    {
        const MMRESULT prepared = midiOutPrepareHeader(output, &buffer.header, sizeof(MIDIHDR));
        return prepared != MMSYSERR_NOERROR ? prepared : midiOutLongMsg(output, &buffer.header, sizeof(MIDIHDR));
    }

    std::unique_ptr<JackPeer> peer;
    std::unique_ptr<TestSupport::ScopedMidiBackend<JackMidiBackend>> backend;
    MidiCallbackLog log;
    std::deque<MidiBuffer> buffers; // outlive the handles, which TearDown closes
    HMIDIOUT output = nullptr;
    HMIDIIN input = nullptr;
};
} // namespace

TEST_F(JackMidi, BankSysexArrivesWholeAtThePeerAndCompletesAfterwards)
{
    openOutputToPeer();
    const std::vector<unsigned char> bank = TestSupport::sysex(690);
    MidiBuffer buffer(bank);
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(buffer));
    ASSERT_TRUE(log.waitFor(MOM_DONE));
    ASSERT_TRUE(peer->waitForEvents(1));

    const auto received = peer->received();
    ASSERT_EQ(1u, received.size());
    EXPECT_EQ("sink", received[0].port);
    EXPECT_EQ(bank, received[0].bytes);
    const auto done = log.of(MOM_DONE);
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(&buffer.header), done[0].param1);
    EXPECT_EQ(MHDR_DONE | MHDR_PREPARED, done[0].headerFlags);
    EXPECT_NE(std::this_thread::get_id(), done[0].thread);
}

TEST_F(JackMidi, ShortMessagesAndSeveralLongOnesKeepTheirOrder)
{
    openOutputToPeer();
    MidiBuffer one(TestSupport::sysex(100)), two(TestSupport::sysex(200));
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutShortMsg(output, 0x403C90));
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(one));
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutShortMsg(output, 0x05C0));
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(two));
    ASSERT_TRUE(peer->waitForEvents(4));
    ASSERT_TRUE(log.waitFor(MOM_DONE, 2));

    const auto received = peer->received();
    ASSERT_EQ(4u, received.size());
    EXPECT_EQ((std::vector<unsigned char>{0x90, 0x3C, 0x40}), received[0].bytes);
    EXPECT_EQ(TestSupport::sysex(100), received[1].bytes);
    EXPECT_EQ((std::vector<unsigned char>{0xC0, 0x05}), received[2].bytes);
    EXPECT_EQ(TestSupport::sysex(200), received[3].bytes);
    EXPECT_LE(received[0].frame, received[3].frame);
}

TEST_F(JackMidi, MessageLargerThanThePortBufferIsRefusedNeverSplit)
{
    openOutputToPeer();
    MidiBuffer huge(TestSupport::sysex(peer->midiBufferSize() + 1));
    const MMRESULT code = sendLong(huge);
    EXPECT_EQ(MMSYSERR_INVALPARAM, code);
    char text[MAXERRORLENGTH];
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutGetErrorTextA(code, text, sizeof text));
    EXPECT_NE(std::string::npos, std::string(text).find("does not fit whole")) << text;
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutUnprepareHeader(output, &huge.header, sizeof(MIDIHDR)));

    ASSERT_EQ(MMSYSERR_NOERROR, midiOutShortMsg(output, 0xF8));
    ASSERT_TRUE(peer->waitForEvents(1));
    Sleep(50);
    const auto received = peer->received();
    ASSERT_EQ(1u, received.size());
    EXPECT_EQ((std::vector<unsigned char>{0xF8}), received[0].bytes);
    EXPECT_TRUE(log.of(MOM_DONE).empty());
}

TEST_F(JackMidi, PortsAppearingAndDisappearingRaiseDeviceChangeWithTheirNames)
{
    TestSupport::DeviceChangeWindow windows;
    auto changes = [&] { return windows.deviceChanges(); };

    const UINT before = midiOutGetNumDevs();
    const std::string full = peer->addInput("a-port-with-a-rather-long-short-name");
    EXPECT_TRUE(TestSupport::waitFor([&] { return changes() >= 1; }));
    const int id = findDevice(true, full);
    ASSERT_GE(id, 0);
    EXPECT_EQ(before + 1, midiOutGetNumDevs());
    MIDIOUTCAPSA caps;
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutGetDevCapsA(static_cast<UINT>(id), &caps, sizeof caps));
    EXPECT_EQ(full.substr(0, 31), caps.szPname) << "the full name, cut to the room of a product name";

    const auto seen = changes();
    peer->removePort("a-port-with-a-rather-long-short-name");
    EXPECT_TRUE(TestSupport::waitFor([&] { return changes() > seen && midiOutGetNumDevs() == before; }));

    // A port of an application keeps its full name whatever its aliases; a
    // physical one shows the alias that names its hardware.
    const std::string aliased = peer->addOutput("source");
    ASSERT_TRUE(peer->setAlias("source", "Vaskor Keyboard"));
    const std::string hardware = peer->addOutput("capture_1", true);
    ASSERT_TRUE(peer->setAlias("capture_1", "Vaskor Keys MIDI 1"));
    peer->addInput("nudge"); // any registration makes the backend read the names again
    const struct
    {
        std::string fullName;
        std::string shown;
    } inputs[] = {{aliased, aliased}, {hardware, "Vaskor Keys MIDI 1"}};
    for (const auto& listed : inputs)
    {
        SCOPED_TRACE(listed.fullName);
        const int inputId = findDevice(false, listed.fullName);
        ASSERT_GE(inputId, 0);
        std::string shown;
        EXPECT_TRUE(TestSupport::waitFor([&] {
            MIDIINCAPSA inputCaps;
            shown = midiInGetDevCapsA(static_cast<UINT>(inputId), &inputCaps, sizeof inputCaps) == MMSYSERR_NOERROR
                        ? inputCaps.szPname
                        : "";
            return shown == listed.shown;
        })) << shown;
    }
}

TEST_F(JackMidi, ARenamedPortIsListedUnderItsNewFullNameOnly)
{
    TestSupport::DeviceChangeWindow windows;
    const std::string before = peer->addInput("before-rename");
    ASSERT_GE(findDevice(true, before), 0);
    const auto seen = windows.deviceChanges();

    const std::string after = peer->renamePort("before-rename", "after-rename");
    ASSERT_EQ(after, peer->clientName() + ":after-rename");
    const int id = findDevice(true, after);
    ASSERT_GE(id, 0);
    EXPECT_TRUE(TestSupport::waitFor([&] { return windows.deviceChanges() > seen; }));
    for (UINT other = 0; other < midiOutGetNumDevs(); ++other)
        EXPECT_NE(path(true, other), "jack:" + before) << "the old name is no longer listed";
    MIDIOUTCAPSA caps;
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutGetDevCapsA(static_cast<UINT>(id), &caps, sizeof caps));
    EXPECT_EQ(peer->listedName("after-rename"), caps.szPname);
}

TEST_F(JackMidi, PortNamesBeyondAsciiGiveDistinctAsciiInterfacePathsAndKeepTheirProductNames)
{
    const std::string client = peer->clientName();
    const struct
    {
        const char* name;
        std::string path;
    } ports[] = {
        {"Synth\xC3\xA9", "jack:" + client + ":Synth%C3%A9"},
        {"\xE3\x82\xB7\xE3\x83\xB3\xE3\x82\xBB", "jack:" + client + ":%E3%82%B7%E3%83%B3%E3%82%BB"},
        {"100%", "jack:" + client + ":100%25"},
    };
    for (const auto& port : ports)
    {
        SCOPED_TRACE(port.path);
        ASSERT_NE("", peer->addInput(port.name));
        int id = -1;
        ASSERT_TRUE(TestSupport::waitFor([&] {
            for (UINT device = 0; device < midiOutGetNumDevs(); ++device)
                if (path(true, device) == port.path)
                    id = static_cast<int>(device);
            return id >= 0;
        }));
        MIDIOUTCAPSA caps;
        ASSERT_EQ(MMSYSERR_NOERROR, midiOutGetDevCapsA(static_cast<UINT>(id), &caps, sizeof caps));
        EXPECT_EQ(client + ":" + port.name, caps.szPname);
    }
}

TEST_F(JackMidi, PortRemovedWhileOpenClosesTheHandleAndRefusesLongMessages)
{
    openOutputToPeer();
    peer->removePort("sink");
    ASSERT_TRUE(log.waitFor(MOM_CLOSE));
    MidiBuffer buffer(TestSupport::sysex(690));
    EXPECT_EQ(MIDIERR_NODEVICE, sendLong(buffer));
    EXPECT_NE(MMSYSERR_INVALHANDLE, midiOutShortMsg(output, 0));
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutClose(output));
    output = nullptr;
    EXPECT_EQ(1u, log.of(MOM_CLOSE).size());
}

TEST_F(JackMidi, AClosedPortIsLeftUnconnectedAndServesTheNextOpenWithoutRepeatingItsLastEvents)
{
    // The client's ports stay registered while it lives: libjack walks their
    // list on its notification thread with no lock against unregistering.
    openOutputToPeer();
    const std::vector<std::string> ours = peer->connectionsOf("sink");
    ASSERT_EQ(1u, ours.size());
    MidiBuffer bank(TestSupport::sysex(690));
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(bank));
    ASSERT_TRUE(peer->waitForEvents(1));
    ASSERT_TRUE(log.waitFor(MOM_DONE));
    midiOutUnprepareHeader(output, &bank.header, sizeof(MIDIHDR));
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutClose(output));
    output = nullptr;
    EXPECT_TRUE(TestSupport::waitFor([&] { return peer->connectionsOf("sink").empty(); }));
    const std::string client = ours.front().substr(0, ours.front().find(':'));
    EXPECT_EQ(ours, peer->portsOfClient(client));

    ASSERT_EQ(MMSYSERR_NOERROR, midiOutOpen(&output, static_cast<UINT>(findDevice(true, peer->clientName() + ":sink")),
                                            MidiCallbackLog::output(), log.instance(), CALLBACK_FUNCTION));
    EXPECT_TRUE(TestSupport::waitFor([&] { return peer->connectionsOf("sink") == ours; }));
    EXPECT_EQ(ours, peer->portsOfClient(client));
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutShortMsg(output, 0x403C90));
    ASSERT_TRUE(peer->waitForEvents(2));
    Sleep(50);
    const auto received = peer->received();
    ASSERT_EQ(2u, received.size()) << "the bank came again";
    EXPECT_EQ((std::vector<unsigned char>{0x90, 0x3C, 0x40}), received[1].bytes);
}

TEST_F(JackMidi, AnOpenPortWhoseConnectionWentAwayIsGoneAtTheNextLookThoughItsNameIsStillListed)
{
    openOutputToPeer();
    // The backend's port is the one "sink" is connected to.
    const std::vector<std::string> senders = peer->connectionsOf("sink");
    ASSERT_EQ(1u, senders.size());
    ASSERT_TRUE(peer->disconnect(senders.front(), "sink"));
    ASSERT_FALSE(peer->addInput("unrelated").empty()); // any change makes the backend look again
    ASSERT_TRUE(log.waitFor(MOM_CLOSE)) << "a send would be taken and reach nothing";
    MidiBuffer buffer(TestSupport::sysex(690));
    EXPECT_EQ(MIDIERR_NODEVICE, sendLong(buffer));
}

TEST_F(JackMidi, AnOpenPortStaysOpenWhileOtherClientsChangeTheGraph)
{
    // Other clients connect and disconnect ports all the time: the view of
    // the graph that the backend looks at lags behind, and a connection just
    // made is not in it yet.
    struct Churns
    {
        std::atomic<bool> stop{false};
        std::vector<std::thread> threads;
        ~Churns() // also when an assertion ends the test early
        {
            stop.store(true);
            for (std::thread& thread : threads)
                thread.join();
        }
    } churns;
    for (int i = 0; i < 4; ++i)
        churns.threads.emplace_back([&stop = churns.stop, i] {
            const std::string name = "vaskor-graph-churn-" + std::to_string(i);
            jack_client_t* client = jack_client_open(name.c_str(), JackNoStartServer, nullptr);
            if (client == nullptr || jack_activate(client) != 0)
                return;
            jack_port_t* from = jack_port_register(client, "from", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
            jack_port_t* to = jack_port_register(client, "to", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
            while (!stop.load() && from != nullptr && to != nullptr)
            {
                jack_connect(client, jack_port_name(from), jack_port_name(to));
                jack_disconnect(client, jack_port_name(from), jack_port_name(to));
            }
            jack_deactivate(client);
            jack_client_close(client);
        });
    const std::string sink = peer->addInput("sink");
    ASSERT_FALSE(peer->addOutput("nudge-0").empty());
    int closed = 0;
    for (int round = 0; round < 60 && closed == 0; ++round)
    {
        const int id = findDevice(true, sink);
        ASSERT_GE(id, 0);
        ASSERT_EQ(MMSYSERR_NOERROR, midiOutOpen(&output, static_cast<UINT>(id), MidiCallbackLog::output(),
                                                log.instance(), CALLBACK_FUNCTION));
        // A renamed port makes the backend look at the graph again.
        ASSERT_FALSE(peer->renamePort("nudge-" + std::to_string(round), "nudge-" + std::to_string(round + 1)).empty());
        Sleep(20);
        closed = static_cast<int>(log.of(MOM_CLOSE).size()) - round;
        midiOutClose(output);
        output = nullptr;
    }
    EXPECT_EQ(closed, 0) << "a port that is there was reported gone right after its open";
}

TEST_F(JackMidi, ShortMessageAndSysexFromThePeerReachAnOpenInput)
{
    const int id = findDevice(false, peer->addOutput("source"));
    ASSERT_GE(id, 0);
    ASSERT_EQ(MMSYSERR_NOERROR, midiInOpen(&input, static_cast<UINT>(id), MidiCallbackLog::input(), log.instance(),
                                           CALLBACK_FUNCTION | MIDI_IO_STATUS));
    for (int i = 0; i < 4; ++i)
    {
        buffers.emplace_back(256);
        ASSERT_EQ(MMSYSERR_NOERROR, midiInPrepareHeader(input, &buffers.back().header, sizeof(MIDIHDR)));
        ASSERT_EQ(MMSYSERR_NOERROR, midiInAddBuffer(input, &buffers.back().header, sizeof(MIDIHDR)));
    }
    ASSERT_EQ(MMSYSERR_NOERROR, midiInStart(input));

    const std::vector<unsigned char> message = TestSupport::sysex(300);
    ASSERT_TRUE(peer->send("source", {0x90, 0x3C, 0x40}));
    ASSERT_TRUE(peer->send("source", message));
    ASSERT_TRUE(log.waitFor(MIM_DATA));
    ASSERT_TRUE(log.waitFor(MIM_LONGDATA, 2));

    EXPECT_EQ(0x403C90u, log.of(MIM_DATA)[0].param1);
    const auto filled = log.of(MIM_LONGDATA);
    std::vector<unsigned char> joined = filled[0].data;
    joined.insert(joined.end(), filled[1].data.begin(), filled[1].data.end());
    EXPECT_EQ(256u, filled[0].data.size());
    EXPECT_EQ(message, joined);
}

namespace
{
/** A JACK server of the test's own, which it may stop or reconfigure, with a
    peer port "sink" and the backend's output open to it. */
class JackMidiOnItsOwnServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        VASKOR_REQUIRE_JACK_SERVER(); // jackd is installed where a server runs
        server = std::make_unique<TestSupport::PrivateJackServer>("vaskor-own");
        ASSERT_TRUE(TestSupport::jackServerAnswers());
        peer = std::make_unique<JackPeer>();
        peer->addInput("sink");
        backend = std::make_unique<TestSupport::ScopedMidiBackend<JackMidiBackend>>();
        ASSERT_TRUE(TestSupport::waitFor([] { return midiOutGetNumDevs() == 1; }));
        ASSERT_EQ(MMSYSERR_NOERROR,
                  midiOutOpen(&output, 0, MidiCallbackLog::output(), log.instance(), CALLBACK_FUNCTION));
    }

    void TearDown() override
    {
        if (output != nullptr)
            midiOutClose(output);
        backend.reset();
        peer.reset();
        server.reset();
    }

    std::unique_ptr<TestSupport::PrivateJackServer> server;
    std::unique_ptr<JackPeer> peer;
    std::unique_ptr<TestSupport::ScopedMidiBackend<JackMidiBackend>> backend;
    MidiCallbackLog log;
    HMIDIOUT output = nullptr;
};
} // namespace

TEST_F(JackMidiOnItsOwnServer, TheLimitFollowsTheBufferTheServerHasNow)
{
    MidiBuffer bank(TestSupport::sysex(690));
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutPrepareHeader(output, &bank.header, sizeof(MIDIHDR)));
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutLongMsg(output, &bank.header, sizeof(MIDIHDR)));
    ASSERT_TRUE(log.waitFor(MOM_DONE));

    // Under JACK 2 the MIDI buffer keeps its size when the period changes:
    // once a cycle of the new period has run, a message that fills what the
    // port measured is taken whole again; without the new period the backend
    // would fall back to its estimate, which is smaller.
    ASSERT_TRUE(peer->setBufferSize(64));
    peer->addOutput("probe");
    size_t largest = 0;
    ASSERT_TRUE(TestSupport::waitFor([&] { return (largest = peer->largestEvent("probe")) != 0; }));
    Sleep(50); // many cycles of the new size for the backend's port too
    MidiBuffer full(TestSupport::sysex(largest));
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutPrepareHeader(output, &full.header, sizeof(MIDIHDR)));
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutLongMsg(output, &full.header, sizeof(MIDIHDR)));
    EXPECT_TRUE(log.waitFor(MOM_DONE, 2));
    EXPECT_TRUE(peer->waitForEvents(2));
}

TEST_F(JackMidiOnItsOwnServer, EveryDeviceGoesWithTheServerAndDevicesComeBackWithIt)
{
    // The server goes while the peer still holds the open port: only the
    // server's loss can tell the backend that the device is gone.
    server->stop();
    EXPECT_TRUE(log.waitFor(MOM_CLOSE));
    EXPECT_TRUE(TestSupport::waitFor([] { return midiOutGetNumDevs() == 0; }));
    EXPECT_TRUE(TestSupport::waitFor([&] { return peer->serverGone(); }));
    peer.reset();
    EXPECT_FALSE((*backend)->isConnected());
    EXPECT_EQ(MIDIERR_NODEVICE, midiOutShortMsg(output, 0xF8));
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutClose(output));
    output = nullptr;

    ASSERT_TRUE(server->start());
    peer = std::make_unique<JackPeer>();
    peer->addInput("sink");
    EXPECT_TRUE(TestSupport::waitFor([] { return midiOutGetNumDevs() == 1; }, 10000));
    EXPECT_TRUE((*backend)->isConnected());
    peer.reset();
}

TEST_F(JackMidiOnItsOwnServer, APortClosedWhileTheServerDoesNotAnswerIsLetGoAndItsDisconnectDoneOnceItAnswers)
{
    // The server stops answering: the close waits a while at most, and
    // nothing else is asked of the server meanwhile, so an open is refused at
    // once. (A close that waits for the server ends when it goes on.)
    const std::vector<std::string> before = peer->connectionsOf("sink");
    ASSERT_EQ(1u, before.size());
    ASSERT_EQ(0, ::kill(server->pid(), SIGSTOP));
    auto closing = std::async(std::launch::async, [&] { return midiOutClose(output); });
    const bool closedInTime = closing.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    HMIDIOUT refused = nullptr;
    const MMRESULT reopened = closedInTime ? midiOutOpen(&refused, 0, 0, 0, CALLBACK_NULL) : MMSYSERR_NOERROR;
    ::kill(server->pid(), SIGCONT);
    EXPECT_TRUE(closedInTime) << "the close waited for the server";
    EXPECT_EQ(MMSYSERR_NOERROR, closing.get());
    output = nullptr;
    EXPECT_EQ(MMSYSERR_ERROR, reopened) << "an open while the server did not answer";

    // Once it answers, the port's disconnect is done; the port, unconnected
    // only then, is not taken again: the next open connects a new one.
    EXPECT_TRUE(TestSupport::waitFor([&] { return peer->connectionsOf("sink").empty(); }));
    EXPECT_TRUE(TestSupport::waitFor([&] { return midiOutOpen(&output, 0, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR; }));
    EXPECT_TRUE(TestSupport::waitFor([&] { return peer->connectionsOf("sink").size() == 1; }));
    EXPECT_NE(before, peer->connectionsOf("sink"));
}

namespace
{
/** Opens the output that the installed backend lists under name, once it
    is listed (up to 5 s); null when it never is. */
HMIDIOUT openOutputNamed(const std::string& name)
{
    HMIDIOUT output = nullptr;
    for (int tries = 0; tries < 250 && output == nullptr; ++tries, Sleep(20))
        for (UINT id = 0; id < midiOutGetNumDevs(); ++id)
        {
            MIDIOUTCAPSA caps;
            if (midiOutGetDevCapsA(id, &caps, sizeof caps) == MMSYSERR_NOERROR && name == caps.szPname)
                midiOutOpen(&output, id, 0, 0, CALLBACK_NULL);
        }
    return output;
}
} // namespace

TEST(JackMidiBackendAtExit, AProcessThatEndsWithItsBackendClosesTheClientFirst)
{
    // The program leaves its backend to the end of the process; a client
    // that merely dies there is found out by the server, which first fails
    // to tell it about its own ports and, in synchronous mode, waits for it.
    VASKOR_REQUIRE_JACK_SERVER(); // jackd is installed where a server runs
    TestSupport::PrivateJackServer server("vaskor-exit");
    ASSERT_TRUE(TestSupport::jackServerAnswers());
    GTEST_FLAG_SET(death_test_style, "fast"); // no client in this process yet
    EXPECT_EXIT(
        {
            bool opened = false;
            {
                JackPeer peer;
                const std::string sink = peer.addInput("sink");
                // Left to the end of the process, as the program leaves it.
                PlatformMidi::MidiBackendChoice::install(std::make_shared<JackMidiBackend>());
                HMIDIOUT output = openOutputNamed(sink);
                opened = output != nullptr && midiOutClose(output) == MMSYSERR_NOERROR;
            }
            std::exit(opened ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    Sleep(500); // the server's last word on the client
    const std::string said = server.said();
    EXPECT_EQ(said.find("name = vaskor-midi"), std::string::npos) << said;
    EXPECT_EQ(said.find("client = vaskor-midi"), std::string::npos) << said;
}

TEST(JackMidiBackendAtExit, AServerThatNoLongerAnswersDoesNotKeepTheProcessFromEnding)
{
    // The server stops answering, then the process closes what it has open
    // and ends, as the program does when its window is closed: it must end
    // within a few seconds all the same (it is killed after that).
    enum class Port
    {
        none,
        closedAtTheEnd, // as the program's panel closes its output as it goes
        leftOpen,
    };
    const struct
    {
        Port port;
        const char* what;
    } cases[] = {
        {Port::none, "no port open"},
        {Port::closedAtTheEnd, "a port closed after the server stopped"},
        {Port::leftOpen, "a port left open to the end"},
    };
    constexpr unsigned kEndsWithinSeconds = 8;
    VASKOR_REQUIRE_JACK_SERVER(); // jackd is installed where a server runs
    GTEST_FLAG_SET(death_test_style, "fast"); // no client in this process yet
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        TestSupport::PrivateJackServer server("vaskor-exit-stopped");
        ASSERT_TRUE(TestSupport::jackServerAnswers());
        const pid_t serverPid = server.pid();
        EXPECT_EXIT(
            {
                // The peer is never closed: its close would wait for the server.
                JackPeer peer;
                const std::string sink = peer.addInput("sink");
                auto backend = std::make_shared<JackMidiBackend>();
                PlatformMidi::MidiBackendChoice::install(backend);
                HMIDIOUT output = c.port == Port::none ? nullptr : openOutputNamed(sink);
                const bool ready = backend->isConnected() && (c.port == Port::none || output != nullptr);
                ::kill(serverPid, SIGSTOP);
                ::alarm(kEndsWithinSeconds);
                if (c.port == Port::closedAtTheEnd)
                    midiOutClose(output);
                std::exit(ready ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
        EXPECT_TRUE(server.resumeAndForget({"vaskor-midi", "vaskor-peer"}));
    }
}

TEST(JackMidiBackendWithoutLibrary, IsNotAvailableHasNoDevicesAndSaysWhy)
{
    JackMidiBackend backend("libvaskor-missing.so.0");
    EXPECT_FALSE(backend.isAvailable());
    EXPECT_FALSE(backend.isConnected());
    EXPECT_EQ(0u, backend.failure().find("the JACK library cannot be loaded (libvaskor-missing.so.0"))
        << backend.failure();
    EXPECT_EQ(0u, backend.deviceCount(PlatformMidi::DeviceKind::output));
    const auto outcome = backend.openOutput(0, nullptr);
    EXPECT_EQ(MMSYSERR_NODRIVER, outcome.code);
    EXPECT_NE(std::string::npos, outcome.detail.find("JACK library")) << outcome.detail;
}
