#include "EMidiError.h"
#include "MidiMessages.h"
#include "MidiWinFactory.h"
#include "MidiWinFunctions.h"
#include "OpenDeviceNames.h"
#include "TMidiOutputWin.h"

#include "support/MidiTestSupport.h"
#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
// An output whose single long messages are recorded instead of sent, so the
// cutting into pieces is seen alone. The pieceth piece (from 1) in refuse is
// refused; pending is what the port reports as pending.
class PieceRecorder : public Tr::TMidiOutputWin
{
public:
    PieceRecorder() : TMidiOutputWin(nullptr) {}

    bool sendLong(const uint8_t* data, int length) override
    {
        const int number = static_cast<int>(pieces.size()) + 1;
        pieces.emplace_back(data, data + length);
        return number != refuse;
    }
    int getPendingCount() const override { return pending; }

    std::vector<std::vector<uint8_t>> pieces;
    int refuse = 0;
    int pending = 0;
};

// Says stop at its limitth call.
class StopAfter : public Tr::TMidiSendProgress
{
public:
    explicit StopAfter(int limit) : m_limit(limit) {}
    void onProgress(Tr::TMidiOutputBase*, bool& proceed) override
    {
        ++calls;
        if (calls >= m_limit)
            proceed = false;
    }
    int calls = 0;

private:
    int m_limit;
};

std::vector<uint8_t> counting(int length)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7u);
    return bytes;
}

std::vector<size_t> sizesOf(const std::vector<std::vector<uint8_t>>& pieces)
{
    std::vector<size_t> sizes;
    for (const auto& piece : pieces)
        sizes.push_back(piece.size());
    return sizes;
}
} // namespace

TEST(TMidiOutputWin, ChunkedSendCutsIntoPiecesOf1024AndStopsAtTheFirstRefusal)
{
    struct Case
    {
        int length;
        int refuse;
        int answer;
        std::vector<size_t> offered;
    };
    const Case cases[] = {
        {2500, 0, 2500, {1024, 1024, 452}},
        {2500, 2, 1024, {1024, 1024}},
        {2500, 1, 0, {1024}},
        {1024, 0, 1024, {1024}},
        {690, 0, 690, {690}},
        {0, 0, 0, {}},
    };
    for (const Case& c : cases)
    {
        PieceRecorder port;
        port.refuse = c.refuse;
        const std::vector<uint8_t> message = counting(c.length);
        EXPECT_EQ(port.sendLongChunked(message.data(), c.length, nullptr), c.answer) << c.length;
        EXPECT_EQ(sizesOf(port.pieces), c.offered) << c.length;
        std::vector<uint8_t> joined;
        for (const auto& piece : port.pieces)
            joined.insert(joined.end(), piece.begin(), piece.end());
        EXPECT_TRUE(std::equal(joined.begin(), joined.end(), message.begin())) << c.length;
    }
}

TEST(TMidiOutputWin, ChunkedSendReportsProgressBetweenPiecesAndWhileTooManyArePending)
{
    const std::vector<uint8_t> message = counting(2500);
    {
        // Told after each piece but the last; stopping after the first piece.
        PieceRecorder port;
        StopAfter progress(1);
        EXPECT_EQ(port.sendLongChunked(message.data(), 2500, &progress), 1024);
        EXPECT_EQ(progress.calls, 1);
    }
    {
        PieceRecorder port;
        StopAfter progress(100);
        EXPECT_EQ(port.sendLongChunked(message.data(), 2500, &progress), 2500);
        EXPECT_EQ(progress.calls, 2);
    }
    {
        // Eleven pending: the progress object is asked before any piece goes.
        PieceRecorder port;
        port.pending = 11;
        StopAfter progress(3);
        EXPECT_EQ(port.sendLongChunked(message.data(), 2500, &progress), 0);
        EXPECT_EQ(progress.calls, 3);
        EXPECT_TRUE(port.pieces.empty());
    }
    {
        PieceRecorder port;
        port.pending = 10;
        StopAfter progress(100);
        EXPECT_EQ(port.sendLongChunked(message.data(), 2500, &progress), 2500);
    }
}

TEST(TMidiOutputWin, ACompletionBeforeTheHeaderIsListedLeavesItToTheSender)
{
    Tr::TMidiOutputWin port(nullptr);
    auto header = std::make_unique<Tr::TMidiOutHdr>(16);
    EXPECT_EQ(header->listIndex, -1);
    EXPECT_EQ(Tr::TMidiHdrBase::fromRecord(header->record()), header.get());
    Tr::midiOutCallback(nullptr, MOM_DONE, reinterpret_cast<DWORD_PTR>(&port),
                        reinterpret_cast<DWORD_PTR>(header->record()), 0);
    // Not deleted by the callback (the sender still holds it), marked instead.
    EXPECT_EQ(header->listIndex, -2);
    EXPECT_EQ(port.getPendingCount(), -1);
    // Other messages and a missing port or header change nothing.
    Tr::midiOutCallback(nullptr, MOM_OPEN, reinterpret_cast<DWORD_PTR>(&port), 0, 0);
    Tr::midiOutCallback(nullptr, MOM_DONE, 0, reinterpret_cast<DWORD_PTR>(header->record()), 0);
    Tr::midiOutCallback(nullptr, MOM_DONE, reinterpret_cast<DWORD_PTR>(&port), 0, 0);
    EXPECT_EQ(header->listIndex, -2);
    EXPECT_EQ(port.getPendingCount(), -2);
    EXPECT_FALSE(port.isClosedBySystem());
}

TEST(TMidiOutputWin, TheMapperTakesIndexZeroOfTheFactoryThatListsIt)
{
    struct Case
    {
        Tr::MidiDeviceFactory* factory;
        int index;
        int deviceId;
    };
    Tr::MidiWinFactory* const mme = Tr::MidiWinFactory::getInstance();
    ASSERT_TRUE(mme->listsMapper());
    for (const Case c : {Case{mme, 0, -1}, Case{mme, 1, 0}, Case{mme, 3, 2}, Case{nullptr, 0, 0}, Case{nullptr, 3, 3}})
    {
        const Tr::MidiDeviceDescriptor descriptor(c.factory, false, c.index, "Out", "", "", "");
        const Tr::TMidiOutputWin port(&descriptor);
        EXPECT_EQ(port.deviceId(), c.deviceId) << c.index;
    }
}

namespace
{
using Backend = PlatformMidi::MemoryMidiBackend;

// An output port of the MME factory that shows its pending list.
class Output : public Tr::TMidiOutputWin
{
public:
    using TMidiOutputWin::TMidiOutputWin;
    using TMidiOutputWin::listedHeaderCount;
    using TMidiOutputWin::pendingSlotCount;
};

// The in-memory backend with outputs, and ports of the MME factory on them.
class MmeOutput : public ::testing::Test
{
protected:
    // The port on device id (its factory index is one higher: the Mapper is 0).
    std::unique_ptr<Output> portOn(int deviceId, const char* name = "Out")
    {
        const Tr::MidiDeviceDescriptor d(Tr::MidiWinFactory::getInstance(), false, deviceId + 1, name, "", "", "");
        return std::make_unique<Output>(&d);
    }

    std::vector<size_t> longSizes(int key) const
    {
        std::vector<size_t> sizes;
        for (const Backend::Message& m : backend->received(key))
            if (m.isLong)
                sizes.push_back(m.bytes.size());
        return sizes;
    }

    TestSupport::ScopedMidiBackend<> backend;
};
} // namespace

TEST_F(MmeOutput, ALongMessageReturnedBeforeOrAfterItIsListedIsDeletedOnce)
{
    // Under the address sanitizer a header deleted twice or never fails the run.
    for (const Backend::Completion completion : {Backend::Completion::beforeReturn, Backend::Completion::immediate})
    {
        const int key = backend->addOutput("Synth");
        backend->setCompletion(key, completion);
        auto port = portOn(0);
        port->open();
        const std::vector<unsigned char> sysex = TestSupport::sysex(690);
        // Many sends, so that completions race the listing of later headers.
        for (int i = 0; i < 50; ++i)
            EXPECT_TRUE(port->sendLong(sysex.data(), 690));
        EXPECT_TRUE(TestSupport::waitFor([&] { return port->getPendingCount() == 0; }));
        EXPECT_TRUE(TestSupport::waitFor([&] { return port->listedHeaderCount() == 0; }));
        const auto received = backend->received(key);
        ASSERT_EQ(received.size(), 50u);
        EXPECT_EQ(received[49].bytes, std::vector<BYTE>(sysex.begin(), sysex.end()));
        port->close();
        backend->remove(key);
    }
}

TEST_F(MmeOutput, AReturnedHeadersSlotIsReusedByTheNextSend)
{
    const int key = backend->addOutput("Synth");
    backend->setCompletion(key, Backend::Completion::held);
    auto port = portOn(0);
    port->open();
    const std::vector<unsigned char> sysex = TestSupport::sysex(16);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(port->sendLong(sysex.data(), 16));
    EXPECT_EQ(port->getPendingCount(), 3);
    EXPECT_EQ(port->listedHeaderCount(), 3);
    EXPECT_EQ(backend->releaseCompletions(key, 1), 1u);
    ASSERT_TRUE(TestSupport::waitFor([&] { return port->listedHeaderCount() == 2; }));
    EXPECT_EQ(port->getPendingCount(), 2);
    ASSERT_TRUE(port->sendLong(sysex.data(), 16));
    EXPECT_EQ(port->pendingSlotCount(), 3);
    EXPECT_EQ(port->listedHeaderCount(), 3);
    // The close hands every held header back; none is left to drop.
    port->close();
    EXPECT_EQ(port->getPendingCount(), 0);
    EXPECT_EQ(port->listedHeaderCount(), 0);
}

TEST_F(MmeOutput, AChunkedSendGoesOutInPiecesUntilTheFirstRefusal)
{
    const std::vector<unsigned char> message = TestSupport::sysex(2500);
    struct Case
    {
        unsigned refused; // the number of the refused piece, 0 for none
        int answer;
        std::vector<size_t> received;
    };
    for (const Case& c : {Case{0, 2500, {1024, 1024, 452}}, Case{2, 1024, {1024}}})
    {
        const int key = backend->addOutput("Synth");
        if (c.refused != 0)
            backend->refuseLongMessage(key, c.refused, MMSYSERR_NOMEM);
        auto port = portOn(0);
        port->open();
        EXPECT_EQ(port->sendLongChunked(message.data(), 2500, nullptr), c.answer);
        EXPECT_TRUE(TestSupport::waitFor([&] { return port->getPendingCount() == 0; }));
        EXPECT_EQ(longSizes(key), c.received);
        port->close();
        backend->remove(key);
    }
}

TEST_F(MmeOutput, TheMapperIsIndexZeroAndEveryOtherIndexIsOneAboveItsDevice)
{
    const int keys[] = {backend->addOutput("A"), backend->addOutput("B"), backend->addOutput("C")};
    EXPECT_EQ(Tr::MidiWinFactory::getInstance()->getDeviceCount(false), 4);
    struct Case
    {
        int index;
        int deviceKey;
    };
    // The Mapper opens output device 0 here.
    for (const Case c : {Case{0, keys[0]}, Case{1, keys[0]}, Case{3, keys[2]}})
    {
        const Tr::MidiDeviceDescriptor d(Tr::MidiWinFactory::getInstance(), false, c.index, "Out", "", "", "");
        Tr::TMidiOutputWin port(&d);
        port.open();
        EXPECT_TRUE(port.sendShortBytes(0x90, 0x3C, static_cast<uint8_t>(c.index)));
        port.close();
        const auto received = backend->received(c.deviceKey);
        ASSERT_FALSE(received.empty()) << c.index;
        EXPECT_EQ(received.back().bytes, (std::vector<BYTE>{0x90, 0x3C, static_cast<BYTE>(c.index)})) << c.index;
    }
    EXPECT_TRUE(backend->received(keys[1]).empty());
}

TEST_F(MmeOutput, AFailedOpenIsAcceptedOnlyWithAWorkingHandle)
{
    const int key = backend->addOutput("Synth");
    struct Case
    {
        Backend::OpenFailure handle;
        bool opens;
    };
    for (const Case c : {Case{Backend::OpenFailure::workingHandle, true}, Case{Backend::OpenFailure::invalidHandle, false},
                         Case{Backend::OpenFailure::noHandle, false}})
    {
        backend->failOpen(key, MMSYSERR_ALLOCATED, c.handle);
        auto port = portOn(0, "Vaskor Out");
        if (c.opens)
        {
            EXPECT_NO_THROW(port->open());
            EXPECT_TRUE(port->isOpen());
            EXPECT_TRUE(Tr::openDeviceNames(false).contains("Vaskor Out"));
            EXPECT_TRUE(port->sendShortBytes(0xC0, 5, 0));
            port->close();
        }
        else
        {
            EXPECT_THROW(port->open(), Tr::EMidiError);
            EXPECT_FALSE(port->isOpen());
            EXPECT_FALSE(Tr::openDeviceNames(false).contains("Vaskor Out"));
        }
    }
}

TEST_F(MmeOutput, AFailedOpenWithoutSystemTextSaysUnspecifiedErrorAfterThePortsName)
{
    const int key = backend->addOutput("Synth");
    backend->failOpen(key, 1234); // a code without text
    auto port = portOn(0, "Vaskor Out");
    try
    {
        port->open();
        FAIL() << "no exception";
    }
    catch (const Tr::EMidiError& e)
    {
        EXPECT_STREQ(e.what(), "Cannot open MIDI output device \"Vaskor Out\":\r\nUnspecified error");
    }
    // A known code carries the system's text instead.
    backend->failOpen(key, MMSYSERR_ALLOCATED);
    try
    {
        port->open();
        FAIL() << "no exception";
    }
    catch (const Tr::EMidiError& e)
    {
        EXPECT_EQ(Tr::TString(e.what()),
                  Tr::getMidiErrorText(MMSYSERR_ALLOCATED, false, "Cannot open MIDI output device \"Vaskor Out\":"));
        EXPECT_EQ(Tr::TString(e.what()).find("Unspecified"), -1);
    }
}

TEST_F(MmeOutput, APortWhoseDeviceVanishesRefusesLongMessagesUntilReopened)
{
    const int key = backend->addOutput("Synth");
    auto port = portOn(0);
    port->open();
    backend->remove(key);
    ASSERT_TRUE(TestSupport::waitFor([&] { return port->isClosedBySystem(); }));
    const std::vector<unsigned char> sysex = TestSupport::sysex(10);
    EXPECT_FALSE(port->sendLong(sysex.data(), 10));
    EXPECT_EQ(port->sendLongChunked(sysex.data(), 10, nullptr), 0);
    port->checkClosed();
    EXPECT_FALSE(port->isOpen());
    backend->addOutput("Synth again");
    port->open();
    EXPECT_FALSE(port->isClosedBySystem());
    EXPECT_TRUE(port->sendLong(sysex.data(), 10));
}

TEST_F(MmeOutput, AClosedPortOrAnEmptyMessageSendsNothing)
{
    const int key = backend->addOutput("Synth");
    auto port = portOn(0);
    const std::vector<unsigned char> sysex = TestSupport::sysex(10);
    EXPECT_FALSE(port->sendLong(sysex.data(), 10));
    EXPECT_FALSE(port->sendShort(0x403C90));
    port->open();
    EXPECT_FALSE(port->sendLong(sysex.data(), 0));
    EXPECT_FALSE(port->sendLong(nullptr, 10));
    backend->refuseLongMessages(key, MIDIERR_NOTREADY);
    EXPECT_FALSE(port->sendLong(sysex.data(), 10));
    EXPECT_EQ(port->getPendingCount(), 0);
    EXPECT_TRUE(backend->received(key).empty());
}
