// The output half of the multimedia MIDI front over the in-memory backend.
#include "support/MidiTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

using PlatformMidi::MemoryMidiBackend;
using TestSupport::MidiBuffer;
using TestSupport::MidiCallbackLog;

namespace
{
class MidiOutput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        first = backend->addOutput("First Synth");
        second = backend->addOutput("Second Synth");
    }

    void TearDown() override
    {
        if (handle != nullptr)
            midiOutClose(handle);
    }

    MMRESULT open(UINT id = 0)
    {
        return midiOutOpen(&handle, id, MidiCallbackLog::output(), log.instance(), CALLBACK_FUNCTION);
    }

    /** Prepares buffer and sends it as a long message. */
    MMRESULT sendLong(MidiBuffer& buffer)
    {
        const MMRESULT prepared = midiOutPrepareHeader(handle, &buffer.header, sizeof(MIDIHDR));
        return prepared != MMSYSERR_NOERROR ? prepared : midiOutLongMsg(handle, &buffer.header, sizeof(MIDIHDR));
    }

    TestSupport::ScopedMidiBackend<> backend;
    MidiCallbackLog log;
    HMIDIOUT handle = nullptr;
    int first = -1;
    int second = -1;
};

using HeaderCall = MMRESULT(WINAPI*)(HMIDIOUT, LPMIDIHDR, UINT);
} // namespace

TEST_F(MidiOutput, HeaderCallsRefuseAWrongSizeANullHeaderAndAClosedHandle)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    const HeaderCall calls[] = {&midiOutPrepareHeader, &midiOutUnprepareHeader, &midiOutLongMsg};
    for (HeaderCall call : calls)
    {
        MidiBuffer buffer(TestSupport::sysex(8));
        EXPECT_EQ(MMSYSERR_INVALPARAM, call(handle, &buffer.header, sizeof(MIDIHDR) - 1));
        EXPECT_EQ(MMSYSERR_INVALPARAM, call(handle, &buffer.header, sizeof(MIDIHDR) + 8));
        EXPECT_EQ(MMSYSERR_INVALPARAM, call(handle, nullptr, sizeof(MIDIHDR)));
        EXPECT_EQ(MMSYSERR_INVALHANDLE, call(nullptr, &buffer.header, sizeof(MIDIHDR)));
        EXPECT_EQ(MMSYSERR_INVALHANDLE, call(reinterpret_cast<HMIDIOUT>(0x1234), &buffer.header, sizeof(MIDIHDR)));
    }
    EXPECT_EQ(MMSYSERR_INVALHANDLE, midiOutShortMsg(nullptr, 0x90));
    EXPECT_EQ(MMSYSERR_INVALHANDLE, midiOutClose(nullptr));
}

TEST_F(MidiOutput, LongMessageNeedsAPreparedHeader)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    MidiBuffer buffer(TestSupport::sysex(8));
    EXPECT_EQ(MIDIERR_UNPREPARED, midiOutLongMsg(handle, &buffer.header, sizeof(MIDIHDR)));
    EXPECT_TRUE(backend->received(first).empty());
}

TEST_F(MidiOutput, LongMessageIsCopiedAndCompletedOnTheCallbackThread)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    const std::vector<unsigned char> bank = TestSupport::sysex(690);
    MidiBuffer buffer(bank);
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(buffer));
    ASSERT_TRUE(log.waitFor(MOM_DONE));

    const auto done = log.of(MOM_DONE);
    ASSERT_EQ(1u, done.size());
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(&buffer.header), done[0].param1);
    EXPECT_EQ(MHDR_DONE | MHDR_PREPARED, done[0].headerFlags);
    EXPECT_NE(std::this_thread::get_id(), done[0].thread);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(handle), done[0].handle);
    EXPECT_EQ(MOM_OPEN, log.messages().front());
    const auto received = backend->received(first);
    ASSERT_EQ(1u, received.size());
    EXPECT_TRUE(received[0].isLong);
    EXPECT_EQ(bank, received[0].bytes);
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutUnprepareHeader(handle, &buffer.header, sizeof(MIDIHDR)));
    EXPECT_EQ(0u, buffer.header.dwFlags & MHDR_PREPARED);
}

TEST_F(MidiOutput, CompletionScriptedBeforeReturnHasRunWhenLongMessageReturns)
{
    backend->setCompletion(first, MemoryMidiBackend::Completion::beforeReturn);
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    for (int round = 0; round < 20; ++round)
    {
        MidiBuffer buffer(TestSupport::sysex(16));
        ASSERT_EQ(MMSYSERR_NOERROR, sendLong(buffer));
        ASSERT_EQ(static_cast<size_t>(round + 1), log.of(MOM_DONE).size());
        EXPECT_NE(std::this_thread::get_id(), log.of(MOM_DONE).back().thread);
    }
}

TEST_F(MidiOutput, HeldCompletionsKeepTheHeaderQueuedUntilReleased)
{
    backend->setCompletion(first, MemoryMidiBackend::Completion::held);
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    MidiBuffer one(TestSupport::sysex(8)), two(TestSupport::sysex(9));
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(one));
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(two));
    EXPECT_EQ(MHDR_PREPARED | MHDR_INQUEUE, one.header.dwFlags);
    EXPECT_EQ(MIDIERR_STILLPLAYING, midiOutUnprepareHeader(handle, &one.header, sizeof(MIDIHDR)));
    EXPECT_EQ(MIDIERR_STILLPLAYING, midiOutLongMsg(handle, &one.header, sizeof(MIDIHDR)));
    EXPECT_EQ(2u, backend->heldCompletions(first));

    EXPECT_EQ(1u, backend->releaseCompletions(first, 1));
    ASSERT_TRUE(log.waitFor(MOM_DONE));
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(&one.header), log.of(MOM_DONE)[0].param1);
    EXPECT_EQ(1u, backend->releaseCompletions(first));
    ASSERT_TRUE(log.waitFor(MOM_DONE, 2));
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(&two.header), log.of(MOM_DONE)[1].param1);
}

TEST_F(MidiOutput, CloseReturnsHeldHeadersThenClosesAndNothingFollows)
{
    backend->setCompletion(first, MemoryMidiBackend::Completion::held);
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    MidiBuffer one(TestSupport::sysex(8)), two(TestSupport::sysex(9));
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(one));
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(two));

    ASSERT_EQ(MMSYSERR_NOERROR, midiOutClose(handle));
    const std::vector<UINT> expected{MOM_OPEN, MOM_DONE, MOM_DONE, MOM_CLOSE};
    EXPECT_EQ(expected, log.messages());
    EXPECT_EQ(MHDR_DONE | MHDR_PREPARED, one.header.dwFlags);
    EXPECT_EQ(MHDR_DONE | MHDR_PREPARED, two.header.dwFlags);
    EXPECT_EQ(0u, backend->releaseCompletions(first));
    EXPECT_EQ(0u, backend->openConnections(first));
    Sleep(20);
    EXPECT_EQ(expected, log.messages());
    EXPECT_EQ(MMSYSERR_INVALHANDLE, midiOutShortMsg(handle, 0x90));
    EXPECT_EQ(MMSYSERR_INVALHANDLE, midiOutClose(handle));
    handle = nullptr;
}

TEST_F(MidiOutput, CloseCalledFromTheCallbackThreadRunsItsCallbacksWithoutDeadlock)
{
    std::atomic<MMRESULT> closed{12345};
    log.onCallback = [&](const TestSupport::MidiCallbackRecord& record) {
        if (record.message == MOM_DONE)
            closed = midiOutClose(reinterpret_cast<HMIDIOUT>(record.handle));
    };
    backend->setCompletion(first, MemoryMidiBackend::Completion::held);
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    MidiBuffer one(TestSupport::sysex(8)), two(TestSupport::sysex(9));
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(one));
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(two));
    backend->releaseCompletions(first, 1);

    ASSERT_TRUE(log.waitFor(MOM_CLOSE));
    EXPECT_EQ(MMSYSERR_NOERROR, closed.load());
    const std::vector<UINT> expected{MOM_OPEN, MOM_DONE, MOM_DONE, MOM_CLOSE};
    EXPECT_EQ(expected, log.messages());
    handle = nullptr;
}

TEST_F(MidiOutput, VanishedDeviceRaisesCloseOnceAndTheHandleStaysValidUntilClosed)
{
    backend->setCompletion(first, MemoryMidiBackend::Completion::held);
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    MidiBuffer held(TestSupport::sysex(8));
    ASSERT_EQ(MMSYSERR_NOERROR, sendLong(held));

    backend->remove(first);
    ASSERT_TRUE(log.waitFor(MOM_CLOSE));
    EXPECT_EQ((std::vector<UINT>{MOM_OPEN, MOM_DONE, MOM_CLOSE}), log.messages());
    MidiBuffer later(TestSupport::sysex(8));
    EXPECT_EQ(MIDIERR_NODEVICE, sendLong(later));
    EXPECT_EQ(MIDIERR_NODEVICE, midiOutShortMsg(handle, 0x403C90));
    EXPECT_NE(MMSYSERR_INVALHANDLE, midiOutShortMsg(handle, 0));
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutUnprepareHeader(handle, &later.header, sizeof(MIDIHDR)));

    EXPECT_EQ(MMSYSERR_NOERROR, midiOutClose(handle));
    EXPECT_EQ((std::vector<UINT>{MOM_OPEN, MOM_DONE, MOM_CLOSE}), log.messages());
    handle = nullptr;
}

TEST_F(MidiOutput, ScriptedOpenFailuresHandBackWhatTheyAreScriptedTo)
{
    struct Case
    {
        MemoryMidiBackend::OpenFailure failure;
        bool handleGiven;
        bool probeAnswersInvalid;
    };
    const Case cases[] = {{MemoryMidiBackend::OpenFailure::noHandle, false, true},
                          {MemoryMidiBackend::OpenFailure::workingHandle, true, false},
                          {MemoryMidiBackend::OpenFailure::invalidHandle, true, true}};
    for (const Case& each : cases)
    {
        backend->failOpen(second, MMSYSERR_ALLOCATED, each.failure);
        HMIDIOUT failed = reinterpret_cast<HMIDIOUT>(0x99);
        EXPECT_EQ(MMSYSERR_ALLOCATED, midiOutOpen(&failed, 1, 0, 0, CALLBACK_NULL));
        EXPECT_EQ(each.handleGiven, failed != nullptr);
        EXPECT_EQ(each.probeAnswersInvalid, midiOutShortMsg(failed, 0) == MMSYSERR_INVALHANDLE);
        if (each.failure == MemoryMidiBackend::OpenFailure::workingHandle)
        {
            EXPECT_EQ(MMSYSERR_NOERROR, midiOutShortMsg(failed, 0x403C90));
            EXPECT_EQ(1u, backend->received(second).size());
            EXPECT_EQ(MMSYSERR_NOERROR, midiOutClose(failed));
        }
    }
}

TEST_F(MidiOutput, RefusedLongMessageIsNeitherRecordedNorCompleted)
{
    backend->refuseLongMessage(first, 2, MIDIERR_NOTREADY);
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    MidiBuffer one(TestSupport::sysex(8)), two(TestSupport::sysex(9)), three(TestSupport::sysex(10));
    EXPECT_EQ(MMSYSERR_NOERROR, sendLong(one));
    EXPECT_EQ(MIDIERR_NOTREADY, sendLong(two));
    EXPECT_EQ(MMSYSERR_NOERROR, sendLong(three));
    ASSERT_TRUE(log.waitFor(MOM_DONE, 2));
    Sleep(20);
    EXPECT_EQ(2u, log.of(MOM_DONE).size());
    EXPECT_EQ(MHDR_PREPARED, two.header.dwFlags);
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutUnprepareHeader(handle, &two.header, sizeof(MIDIHDR)));
    ASSERT_EQ(2u, backend->received(first).size());
    EXPECT_EQ(10u, backend->received(first)[1].bytes.size());
}

TEST_F(MidiOutput, ShortMessagesGoOutWithTheLengthOfTheirStatus)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    struct Case
    {
        DWORD packed;
        MMRESULT answer;
        std::vector<unsigned char> sent;
    };
    const Case cases[] = {{0x403C90, MMSYSERR_NOERROR, {0x90, 0x3C, 0x40}},
                          {0x7705C0, MMSYSERR_NOERROR, {0xC0, 0x05}},
                          {0x0000F8, MMSYSERR_NOERROR, {0xF8}},
                          {0x7F7FF2, MMSYSERR_NOERROR, {0xF2, 0x7F, 0x7F}},
                          {0x000000, MMSYSERR_INVALPARAM, {}},
                          {0x00003C, MMSYSERR_INVALPARAM, {}},
                          {0x0001F0, MMSYSERR_INVALPARAM, {}}};
    for (const Case& each : cases)
    {
        backend->clearReceived(first);
        EXPECT_EQ(each.answer, midiOutShortMsg(handle, each.packed)) << std::hex << each.packed;
        std::vector<std::vector<unsigned char>> sent;
        for (const auto& message : backend->received(first))
            sent.push_back(message.bytes);
        const std::vector<std::vector<unsigned char>> expected =
            each.sent.empty() ? std::vector<std::vector<unsigned char>>{} : std::vector<std::vector<unsigned char>>{each.sent};
        EXPECT_EQ(expected, sent) << std::hex << each.packed;
    }
}

TEST_F(MidiOutput, MapperOpensWhateverIsOutputZeroAtTheTimeOfTheOpen)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open(MIDI_MAPPER));
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutShortMsg(handle, 0xF8));
    EXPECT_EQ(1u, backend->received(first).size());
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutClose(handle));

    backend->remove(first);
    ASSERT_EQ(MMSYSERR_NOERROR, open(MIDI_MAPPER));
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutShortMsg(handle, 0xF8));
    EXPECT_EQ(1u, backend->received(second).size());
}

TEST_F(MidiOutput, OpenRefusesBadIdsFlagsAndArguments)
{
    HMIDIOUT refused = reinterpret_cast<HMIDIOUT>(0x99);
    EXPECT_EQ(MMSYSERR_BADDEVICEID, midiOutOpen(&refused, 2, 0, 0, CALLBACK_NULL));
    EXPECT_EQ(nullptr, refused);
    EXPECT_EQ(MMSYSERR_INVALFLAG, midiOutOpen(&refused, 0, 0, 0, 0x00010000));
    EXPECT_EQ(MMSYSERR_INVALPARAM, midiOutOpen(&refused, 0, 0, 0, CALLBACK_FUNCTION));
    EXPECT_EQ(MMSYSERR_INVALPARAM, midiOutOpen(nullptr, 0, 0, 0, CALLBACK_NULL));
    EXPECT_EQ(0u, backend->openConnections(first));
}

TEST_F(MidiOutput, HandleOpenedWithoutCallbackStillSendsAndCloses)
{
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutOpen(&handle, 0, 0, 0, CALLBACK_NULL));
    MidiBuffer buffer(TestSupport::sysex(8));
    EXPECT_EQ(MMSYSERR_NOERROR, sendLong(buffer));
    EXPECT_EQ(MHDR_DONE | MHDR_PREPARED, buffer.header.dwFlags); // completed at once, raising nothing
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutClose(handle));
    handle = nullptr;
}

namespace
{
/** One output whose device goes away while a long message is handed over
    (the backend hears of it on another thread just then, and answers the
    send with the given code), or already during the open. */
class VanishingOutputBackend final : public PlatformMidi::MidiBackend
{
public:
    explicit VanishingOutputBackend(MMRESULT answer, bool goneAtOpen = false)
        : answer_(answer), goneAtOpen_(goneAtOpen)
    {
    }

    std::string name() const override { return "vanishing"; }
    UINT deviceCount(PlatformMidi::DeviceKind kind) override
    {
        return kind == PlatformMidi::DeviceKind::output ? 1 : 0;
    }
    MMRESULT productName(PlatformMidi::DeviceKind, UINT, std::string& name) override
    {
        name = "Leaving Synth";
        return MMSYSERR_NOERROR;
    }
    MMRESULT interfacePath(PlatformMidi::DeviceKind, UINT, std::string& path) override
    {
        path = "vanishing:0";
        return MMSYSERR_NOERROR;
    }
    PlatformMidi::OutputOpenOutcome openOutput(UINT, const std::shared_ptr<PlatformMidi::OutputClient>& client) override
    {
        PlatformMidi::OutputOpenOutcome outcome;
        outcome.connection = std::make_shared<Connection>(client, answer_);
        if (goneAtOpen_)
            std::thread([client] { client->deviceGone(); }).join();
        return outcome;
    }
    PlatformMidi::InputOpenOutcome openInput(UINT, const std::shared_ptr<PlatformMidi::InputClient>&) override
    {
        PlatformMidi::InputOpenOutcome outcome;
        outcome.code = MMSYSERR_BADDEVICEID;
        return outcome;
    }

private:
    class Connection final : public PlatformMidi::OutputConnection
    {
    public:
        Connection(std::shared_ptr<PlatformMidi::OutputClient> client, MMRESULT answer)
            : client_(std::move(client)), answer_(answer)
        {
        }
        MMRESULT sendShort(const BYTE*, size_t, std::string&) override { return MMSYSERR_NOERROR; }
        MMRESULT sendLong(const BYTE*, size_t, uint64_t, std::string&) override
        {
            std::thread([client = client_] { client->deviceGone(); }).join();
            return answer_;
        }
        void close() override {}

    private:
        std::shared_ptr<PlatformMidi::OutputClient> client_;
        MMRESULT answer_;
    };

    MMRESULT answer_;
    bool goneAtOpen_;
};
} // namespace

TEST(MidiOutputDeviceGoneWhileSending, AHeaderIsReturnedOnlyWhenTheBackendTookIt)
{
    const struct
    {
        MMRESULT answer;
        std::vector<UINT> callbacks;
    } cases[] = {
        {MIDIERR_NODEVICE, {MOM_OPEN, MOM_CLOSE}},           // refused: the caller keeps the header
        {MMSYSERR_NOERROR, {MOM_OPEN, MOM_DONE, MOM_CLOSE}}, // taken: returned as the device went
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.answer);
        TestSupport::ScopedMidiBackend<VanishingOutputBackend> backend(
            std::make_shared<VanishingOutputBackend>(c.answer));
        MidiCallbackLog log;
        HMIDIOUT handle = nullptr;
        ASSERT_EQ(MMSYSERR_NOERROR,
                  midiOutOpen(&handle, 0, MidiCallbackLog::output(), log.instance(), CALLBACK_FUNCTION));
        MidiBuffer buffer(TestSupport::sysex(690));
        ASSERT_EQ(MMSYSERR_NOERROR, midiOutPrepareHeader(handle, &buffer.header, sizeof(MIDIHDR)));
        EXPECT_EQ(c.answer, midiOutLongMsg(handle, &buffer.header, sizeof(MIDIHDR)));
        EXPECT_EQ(MMSYSERR_NOERROR, midiOutClose(handle));
        EXPECT_EQ(c.callbacks, log.messages());
    }
}

TEST(MidiOutputDeviceGoneWhileOpening, OpenThenCloseAreRaisedWithTheHandleTheCallerGot)
{
    TestSupport::ScopedMidiBackend<VanishingOutputBackend> backend(
        std::make_shared<VanishingOutputBackend>(MMSYSERR_NOERROR, true));
    MidiCallbackLog log;
    HMIDIOUT handle = nullptr;
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutOpen(&handle, 0, MidiCallbackLog::output(), log.instance(), CALLBACK_FUNCTION));
    ASSERT_TRUE(log.waitFor(MOM_CLOSE));
    EXPECT_EQ(MIDIERR_NODEVICE, midiOutShortMsg(handle, 0x403C90));
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutClose(handle));
    const auto records = log.records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ(MOM_OPEN, records[0].message);
    EXPECT_EQ(MOM_CLOSE, records[1].message);
    for (const auto& record : records)
        EXPECT_EQ(reinterpret_cast<uintptr_t>(handle), record.handle);
}
