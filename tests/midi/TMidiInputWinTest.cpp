#include "EMidiError.h"
#include "MidiWinFactory.h"
#include "OpenDeviceNames.h"
#include "TMidiInputWin.h"

#include "support/MidiDataCollector.h"
#include "support/MidiTestSupport.h"

#include <gtest/gtest.h>


#include <vector>

namespace
{
using Collector = TestSupport::MidiDataCollector;

// A closed input with a collector, fed through the system's callback.
struct FedInput
{
    FedInput() { port.setDataListener(&collector); }

    void callback(UINT message, DWORD_PTR param1, DWORD_PTR param2 = 0)
    {
        Tr::midiInCallback(nullptr, message, reinterpret_cast<DWORD_PTR>(&port), param1, param2);
    }

    Tr::TMidiInputWin port{nullptr};
    Collector collector;
};
} // namespace

TEST(TMidiInputWin, ShortMessagesReachTheListenerUnlessFilteredOut)
{
    struct Case
    {
        UINT message;
        DWORD_PTR packed;
        bool passActiveSensing;
        bool passClock;
        std::vector<unsigned char> delivered; // empty: dropped
    };
    const Case cases[] = {
        {MIM_DATA, 0xFE, false, true, {}},
        {MIM_DATA, 0xF8, true, false, {}},
        {MIM_DATA, 0xFE, true, false, {0xFE}},
        {MIM_DATA, 0xF8, false, true, {0xF8}},
        {MIM_DATA, 0x403C90, false, false, {0x90, 0x3C, 0x40}},
        {MIM_DATA, 0x05C0, false, false, {0xC0, 0x05}},
        {MIM_ERROR, 0x7F01B0, true, true, {0xB0, 0x01, 0x7F}},
        {MIM_MOREDATA, 0x0140E0, true, true, {0xE0, 0x40, 0x01}},
        // Only the exact packed value is filtered.
        {MIM_DATA, 0x01F8, true, false, {0xF8}},
        {MIM_OPEN, 0x403C90, true, true, {}},
        {MOM_DONE, 0x403C90, true, true, {}},
    };
    for (const Case& c : cases)
    {
        FedInput input;
        input.port.setPassActiveSensing(c.passActiveSensing);
        input.port.setPassClock(c.passClock);
        input.callback(c.message, c.packed, 0x1234);
        if (c.delivered.empty())
        {
            EXPECT_TRUE(input.collector.calls().empty()) << std::hex << c.packed;
            continue;
        }
        ASSERT_EQ(input.collector.calls().size(), 1u) << std::hex << c.packed;
        EXPECT_EQ(input.collector.calls()[0].bytes, c.delivered);
        EXPECT_EQ(input.collector.calls()[0].timeStamp, 0x1234u);
        EXPECT_EQ(input.collector.calls()[0].port, &input.port);
    }
}

TEST(TMidiInputWin, AFilledBufferReachesTheListenerWithTheBytesRecorded)
{
    FedInput input;
    Tr::TMidiInHdr buffer(8);
    const unsigned char sysex[] = {0xF0, 0x7D, 0x10, 0x20, 0xF7};
    std::copy(std::begin(sysex), std::end(sysex), buffer.data());
    buffer.record()->dwBytesRecorded = 5;
    input.callback(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(buffer.record()), 77);
    // A count beyond the buffer is cut to the buffer.
    buffer.record()->dwBytesRecorded = 100;
    input.callback(MIM_LONGERROR, reinterpret_cast<DWORD_PTR>(buffer.record()), 78);
    ASSERT_EQ(input.collector.calls().size(), 2u);
    EXPECT_EQ(input.collector.calls()[0].bytes, std::vector<unsigned char>(std::begin(sysex), std::end(sysex)));
    EXPECT_EQ(input.collector.calls()[0].timeStamp, 77u);
    EXPECT_EQ(input.collector.calls()[1].bytes.size(), 8u);
}

TEST(TMidiInputWin, AfterTheSystemClosedThePortTheCallbackIgnoresEverything)
{
    FedInput input;
    input.callback(MIM_CLOSE, 0);
    EXPECT_TRUE(input.port.isClosing());
    input.callback(MIM_DATA, 0x403C90);
    Tr::TMidiInHdr buffer(8);
    buffer.record()->dwBytesRecorded = 1;
    input.callback(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(buffer.record()));
    EXPECT_TRUE(input.collector.calls().empty());
    // Nothing without a port or a listener either.
    Tr::midiInCallback(nullptr, MIM_DATA, 0, 0x403C90, 0);
    FedInput silent;
    silent.port.setDataListener(nullptr);
    silent.callback(MIM_DATA, 0x403C90);
    silent.callback(MIM_LONGDATA, reinterpret_cast<DWORD_PTR>(buffer.record()));
    EXPECT_TRUE(silent.collector.calls().empty());
}

namespace
{
using Backend = PlatformMidi::MemoryMidiBackend;

// The in-memory backend with one input, and an MME port on it.
class MmeInput : public ::testing::Test
{
protected:
    std::unique_ptr<Tr::TMidiInputWin> portOn(int deviceId, const char* name = "In")
    {
        const Tr::MidiDeviceDescriptor d(Tr::MidiWinFactory::getInstance(), true, deviceId, name, "", "", "");
        auto port = std::make_unique<Tr::TMidiInputWin>(&d);
        port->setDataListener(&collector);
        return port;
    }

    TestSupport::ScopedMidiBackend<> backend;
    Collector collector;
};
} // namespace

TEST_F(MmeInput, StartedInputPassesShortMessagesAndSysExWithTheFiltersApplied)
{
    const int key = backend->addInput("Keys");
    auto port = portOn(0);
    port->setPassActiveSensing(false);
    port->setPassClock(false);
    port->open();
    EXPECT_FALSE(port->isStarted());
    port->start();
    EXPECT_TRUE(port->isStarted());
    const std::vector<unsigned char> sysex = TestSupport::sysex(690);
    ASSERT_TRUE(backend->feedShort(key, 0xFE));
    ASSERT_TRUE(backend->feedShort(key, 0xF8));
    ASSERT_TRUE(backend->feedShort(key, 0x403C90));
    ASSERT_TRUE(backend->feed(key, std::vector<BYTE>(sysex.begin(), sysex.end())));
    ASSERT_TRUE(backend->feedShort(key, 0x05C0));
    ASSERT_TRUE(TestSupport::waitFor([&] { return collector.bytes().size() >= 3; }));
    EXPECT_EQ(collector.bytes(), (std::vector<std::vector<unsigned char>>{{0x90, 0x3C, 0x40}, sysex, {0xC0, 0x05}}));
    // Every buffer goes back for the next SysEx: more than 16 of them arrive.
    for (size_t i = 1; i <= 20; ++i)
    {
        ASSERT_TRUE(backend->feed(key, std::vector<BYTE>(sysex.begin(), sysex.end())));
        ASSERT_TRUE(TestSupport::waitFor([&] { return collector.bytes().size() >= 3 + i; })) << i;
    }
    port->stop();
    EXPECT_FALSE(port->isStarted());
    port->close();
    EXPECT_FALSE(port->isOpen());
}

TEST_F(MmeInput, AFailedOpenIsAcceptedOnlyWithAWorkingHandleAndOtherwiseSaysWhy)
{
    const int key = backend->addInput("Keys");
    backend->failOpen(key, MMSYSERR_ALLOCATED, Backend::OpenFailure::workingHandle);
    auto port = portOn(0, "Vaskor In");
    EXPECT_NO_THROW(port->open());
    EXPECT_TRUE(port->isOpen());
    EXPECT_TRUE(Tr::openDeviceNames(true).contains("Vaskor In"));
    port->close();
    EXPECT_FALSE(Tr::openDeviceNames(true).contains("Vaskor In"));
    for (const Backend::OpenFailure handle : {Backend::OpenFailure::invalidHandle, Backend::OpenFailure::noHandle})
    {
        backend->failOpen(key, 1234, handle); // a code without text
        try
        {
            port->open();
            FAIL() << "no exception";
        }
        catch (const Tr::EMidiError& e)
        {
            EXPECT_STREQ(e.what(), "Cannot open MIDI input device \"Vaskor In\":\r\nUnspecified error");
        }
        EXPECT_FALSE(port->isOpen());
        EXPECT_FALSE(Tr::openDeviceNames(true).contains("Vaskor In"));
    }
}

TEST_F(MmeInput, AnInputWhoseDeviceVanishesIgnoresTheSystemAndClosesQuietly)
{
    const int key = backend->addInput("Keys");
    auto port = portOn(0);
    port->open();
    port->start();
    backend->remove(key);
    ASSERT_TRUE(TestSupport::waitFor([&] { return port->isClosing(); }));
    port->stop(); // the system is not asked: the flag stays
    EXPECT_TRUE(port->isStarted());
    port->checkClosed();
    EXPECT_FALSE(port->isOpen());
    EXPECT_FALSE(port->isStarted());
    EXPECT_TRUE(collector.bytes().empty());
    EXPECT_EQ(backend->inputResets(key), 0u) << "a closed system input is not reset";
}

TEST_F(MmeInput, ClosingResetsTheInputUnlessItsNameHoldsYokeInAnyCase)
{
    const struct
    {
        const char* name;
        unsigned resets;
    } cases[] = {{"Keys", 1}, {"Yoke 1", 0}, {"MIDI yOKe NT", 0}, {"Yok e", 1}};
    for (const auto& c : cases)
    {
        const int key = backend->addInput(c.name);
        auto port = portOn(static_cast<int>(key), c.name);
        port->open();
        port->start();
        // A SysEx under way: the reset hands its buffer back with the bytes
        // so far, which a closing port passes to nobody.
        collector.clear();
        ASSERT_TRUE(backend->feed(key, std::vector<BYTE>{0xF0, 0x7D, 0x01, 0x02}));
        port->close();
        EXPECT_EQ(backend->inputResets(key), c.resets) << c.name;
        EXPECT_EQ(backend->openConnections(key), 0u) << c.name;
        EXPECT_TRUE(collector.bytes().empty()) << c.name << ": the closed port passed data on";
    }
}

TEST_F(MmeInput, AFailedBufferSetUpOrStartSaysWhatTheSystemSaidAndLeavesNothingOpen)
{
    const int key = backend->addInput("Keys");
    backend->failInputBuffers(key, MMSYSERR_NOMEM);
    auto port = portOn(0, "Keys");
    char text[256] = {};
    ASSERT_EQ(midiInGetErrorTextA(MMSYSERR_NOMEM, text, sizeof text), MMSYSERR_NOERROR);
    try
    {
        port->open();
        FAIL() << "no exception";
    }
    catch (const Tr::EMidiError& e)
    {
        EXPECT_STREQ(e.what(), text) << "the system's text alone";
    }
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(backend->openConnections(key), 0u) << "the handle is closed again";
    EXPECT_FALSE(Tr::openDeviceNames(true).contains("Keys"));

    backend->failInputBuffers(key, MMSYSERR_NOERROR);
    backend->failInputStart(key, MMSYSERR_NOMEM);
    port->open();
    EXPECT_THROW(port->start(), Tr::EMidiError);
    EXPECT_FALSE(port->isStarted());
    port->close();
    EXPECT_EQ(backend->openConnections(key), 0u);
}
