// The input half of the multimedia MIDI front over the in-memory backend.
#include "support/MidiTestSupport.h"

#include <gtest/gtest.h>

#include <deque>

using PlatformMidi::MemoryMidiBackend;
using TestSupport::MidiBuffer;
using TestSupport::MidiCallbackLog;

namespace
{
class MidiInput : public ::testing::Test
{
protected:
    void SetUp() override { device = backend->addInput("Keyboard"); }

    void TearDown() override
    {
        if (handle != nullptr)
            midiInClose(handle);
    }

    MMRESULT open()
    {
        return midiInOpen(&handle, 0, MidiCallbackLog::input(), log.instance(), CALLBACK_FUNCTION | MIDI_IO_STATUS);
    }

    /** Gives count buffers of size bytes to the open handle. */
    void addBuffers(size_t count, size_t size)
    {
        for (size_t i = 0; i < count; ++i)
        {
            buffers.emplace_back(size);
            MIDIHDR* header = &buffers.back().header;
            ASSERT_EQ(MMSYSERR_NOERROR, midiInPrepareHeader(handle, header, sizeof(MIDIHDR)));
            ASSERT_EQ(MMSYSERR_NOERROR, midiInAddBuffer(handle, header, sizeof(MIDIHDR)));
        }
    }

    TestSupport::ScopedMidiBackend<> backend;
    MidiCallbackLog log;
    std::deque<MidiBuffer> buffers;
    HMIDIIN handle = nullptr;
    int device = -1;
};
} // namespace

TEST_F(MidiInput, ShortMessagesArriveOnlyAfterStartWithTheTimeSinceStart)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    backend->feedShort(device, 0x403C90);
    ASSERT_EQ(MMSYSERR_NOERROR, midiInStart(handle));
    backend->feed(device, {0x90, 0x3C, 0x40, 0x3E, 0x00, 0xC0, 0x05, 0xF8});
    ASSERT_TRUE(log.waitFor(MIM_DATA, 4));

    const auto data = log.of(MIM_DATA);
    std::vector<DWORD_PTR> packed;
    for (const auto& record : data)
    {
        packed.push_back(record.param1);
        EXPECT_LT(record.param2, 5000u);
        EXPECT_NE(std::this_thread::get_id(), record.thread);
    }
    EXPECT_EQ((std::vector<DWORD_PTR>{0x403C90, 0x003E90, 0x05C0, 0xF8}), packed);
    EXPECT_EQ(MIM_OPEN, log.messages().front());
}

TEST_F(MidiInput, SysexFillsTheBuffersInTurnAndEachComesBackWithItsBytes)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    addBuffers(3, 16);
    ASSERT_EQ(MMSYSERR_NOERROR, midiInStart(handle));
    const std::vector<unsigned char> message = TestSupport::sysex(20);
    backend->feed(device, std::vector<unsigned char>(message.begin(), message.begin() + 7));
    backend->feed(device, std::vector<unsigned char>(message.begin() + 7, message.end()));
    ASSERT_TRUE(log.waitFor(MIM_LONGDATA, 2));

    const auto filled = log.of(MIM_LONGDATA);
    EXPECT_EQ(std::vector<unsigned char>(message.begin(), message.begin() + 16), filled[0].data);
    EXPECT_EQ(std::vector<unsigned char>(message.begin() + 16, message.end()), filled[1].data);
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(&buffers[0].header), filled[0].param1);
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(&buffers[1].header), filled[1].param1);
    EXPECT_EQ(MHDR_DONE | MHDR_PREPARED, filled[0].headerFlags);
}

TEST_F(MidiInput, BufferGivenBackFromTheCallbackIsFilledAgain)
{
    std::atomic<int> givenBack{0};
    log.onCallback = [&](const TestSupport::MidiCallbackRecord& record) {
        if (record.message == MIM_LONGDATA &&
            midiInAddBuffer(reinterpret_cast<HMIDIIN>(record.handle), reinterpret_cast<LPMIDIHDR>(record.param1),
                            sizeof(MIDIHDR)) == MMSYSERR_NOERROR)
            ++givenBack;
    };
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    addBuffers(1, 8);
    ASSERT_EQ(MMSYSERR_NOERROR, midiInStart(handle));
    for (int round = 1; round <= 5; ++round)
    {
        backend->feed(device, TestSupport::sysex(6));
        ASSERT_TRUE(TestSupport::waitFor([&] { return givenBack.load() == round; }));
    }
    for (const auto& record : log.of(MIM_LONGDATA))
        EXPECT_EQ(TestSupport::sysex(6), record.data);
}

TEST_F(MidiInput, ResetReturnsEveryQueuedBufferBeforeItReturns)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    addBuffers(4, 16);
    ASSERT_EQ(MMSYSERR_NOERROR, midiInStart(handle));
    ASSERT_EQ(MMSYSERR_NOERROR, midiInReset(handle));
    ASSERT_EQ(4u, log.of(MIM_LONGDATA).size());
    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(reinterpret_cast<DWORD_PTR>(&buffers[i].header), log.of(MIM_LONGDATA)[i].param1);
        EXPECT_EQ(MMSYSERR_NOERROR, midiInUnprepareHeader(handle, &buffers[i].header, sizeof(MIDIHDR)));
    }
    backend->feedShort(device, 0x403C90);
    Sleep(20);
    EXPECT_TRUE(log.of(MIM_DATA).empty()); // reset also stops the input
}

TEST_F(MidiInput, StopHandsBackTheBufferASysexIsFillingAndKeepsTheEmptyOnes)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    addBuffers(2, 16);
    ASSERT_EQ(MMSYSERR_NOERROR, midiInStart(handle));
    backend->feed(device, {0xF0, 0x01, 0x02});
    ASSERT_EQ(MMSYSERR_NOERROR, midiInStop(handle));
    ASSERT_TRUE(log.waitFor(MIM_LONGERROR));
    EXPECT_EQ((std::vector<unsigned char>{0xF0, 0x01, 0x02}), log.of(MIM_LONGERROR)[0].data);
    EXPECT_EQ(MIDIERR_STILLPLAYING, midiInUnprepareHeader(handle, &buffers[1].header, sizeof(MIDIHDR)));
}

TEST_F(MidiInput, CloseReturnsQueuedBuffersThenRaisesCloseAndNothingFollows)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    addBuffers(2, 16);
    ASSERT_EQ(MMSYSERR_NOERROR, midiInStart(handle));
    EXPECT_EQ(MIDIERR_STILLPLAYING, midiInUnprepareHeader(handle, &buffers[0].header, sizeof(MIDIHDR)));

    ASSERT_EQ(MMSYSERR_NOERROR, midiInClose(handle));
    const std::vector<UINT> expected{MIM_OPEN, MIM_LONGDATA, MIM_LONGDATA, MIM_CLOSE};
    EXPECT_EQ(expected, log.messages());
    EXPECT_FALSE(backend->feedShort(device, 0x403C90));
    Sleep(20);
    EXPECT_EQ(expected, log.messages());
    UINT id = 77;
    EXPECT_EQ(MMSYSERR_INVALHANDLE, midiInGetID(handle, &id));
    handle = nullptr;
}

TEST_F(MidiInput, VanishedDeviceRaisesCloseOnceAndTheHandleStaysValid)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    addBuffers(1, 16);
    ASSERT_EQ(MMSYSERR_NOERROR, midiInStart(handle));
    backend->remove(device);
    ASSERT_TRUE(log.waitFor(MIM_CLOSE));
    UINT id = 77;
    EXPECT_EQ(MMSYSERR_NOERROR, midiInGetID(handle, &id));
    EXPECT_EQ(0u, id);
    EXPECT_EQ(MIDIERR_NODEVICE, midiInStart(handle));
    ASSERT_EQ(MMSYSERR_NOERROR, midiInClose(handle));
    EXPECT_EQ((std::vector<UINT>{MIM_OPEN, MIM_CLOSE, MIM_LONGDATA}), log.messages());
    handle = nullptr;
}

TEST_F(MidiInput, BufferCallsCheckPreparationAndTheirArguments)
{
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    MidiBuffer buffer(16);
    EXPECT_EQ(MIDIERR_UNPREPARED, midiInAddBuffer(handle, &buffer.header, sizeof(MIDIHDR)));
    EXPECT_EQ(MMSYSERR_INVALPARAM, midiInPrepareHeader(handle, &buffer.header, 60));
    EXPECT_EQ(MMSYSERR_INVALHANDLE, midiInPrepareHeader(nullptr, &buffer.header, sizeof(MIDIHDR)));
    ASSERT_EQ(MMSYSERR_NOERROR, midiInPrepareHeader(handle, &buffer.header, sizeof(MIDIHDR)));
    ASSERT_EQ(MMSYSERR_NOERROR, midiInAddBuffer(handle, &buffer.header, sizeof(MIDIHDR)));
    EXPECT_EQ(MIDIERR_STILLPLAYING, midiInAddBuffer(handle, &buffer.header, sizeof(MIDIHDR)));
    EXPECT_EQ(MHDR_PREPARED | MHDR_INQUEUE, buffer.header.dwFlags);
    EXPECT_EQ(MMSYSERR_INVALHANDLE, midiInStart(nullptr));
    EXPECT_EQ(MMSYSERR_INVALHANDLE, midiInReset(reinterpret_cast<HMIDIIN>(0x1234)));
    ASSERT_EQ(MMSYSERR_NOERROR, midiInClose(handle));
    handle = nullptr;
}

TEST_F(MidiInput, OutputAndInputHandlesAreNotInterchangeable)
{
    const int output = backend->addOutput("Synth");
    HMIDIOUT out = nullptr;
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutOpen(&out, 0, 0, 0, CALLBACK_NULL));
    ASSERT_EQ(MMSYSERR_NOERROR, open());
    UINT id = 0;
    EXPECT_EQ(MMSYSERR_INVALHANDLE, midiInGetID(reinterpret_cast<HMIDIIN>(out), &id));
    EXPECT_EQ(MMSYSERR_INVALHANDLE, midiOutShortMsg(reinterpret_cast<HMIDIOUT>(handle), 0xF8));
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutClose(out));
    EXPECT_EQ(0u, backend->openConnections(output));
}

TEST_F(MidiInput, ScriptedFailedOpenWithAWorkingHandleAnswersGetId)
{
    backend->failOpen(device, MMSYSERR_ALLOCATED, MemoryMidiBackend::OpenFailure::workingHandle);
    EXPECT_EQ(MMSYSERR_ALLOCATED, open());
    UINT id = 77;
    EXPECT_EQ(MMSYSERR_NOERROR, midiInGetID(handle, &id));
    EXPECT_EQ(0u, id);
}
