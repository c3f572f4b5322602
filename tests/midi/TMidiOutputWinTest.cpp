#include "MidiWinFactory.h"
#include "TMidiOutputWin.h"

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

TEST(TMidiOutputWin, ASystemCloseRefusesEveryLongMessage)
{
    PieceRecorder port;
    Tr::midiOutCallback(nullptr, MOM_CLOSE, reinterpret_cast<DWORD_PTR>(&port), 0, 0);
    EXPECT_TRUE(port.isClosedBySystem());
    const std::vector<uint8_t> message = counting(100);
    EXPECT_EQ(port.sendLongChunked(message.data(), 100, nullptr), 0);
    EXPECT_TRUE(port.pieces.empty());
    EXPECT_FALSE(port.TMidiOutputWin::sendLong(message.data(), 100));
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

TEST(TMidiHdrBase, AHeaderOwnsItsDataAndPointsBackAtItself)
{
    Tr::TMidiInHdr empty(0);
    EXPECT_EQ(empty.data(), nullptr);
    EXPECT_EQ(empty.size(), 0);
    EXPECT_EQ(Tr::TMidiHdrBase::fromRecord(empty.record()), nullptr);
    Tr::TMidiInHdr buffer(1024);
    ASSERT_NE(buffer.data(), nullptr);
    EXPECT_EQ(buffer.size(), 1024);
    EXPECT_EQ(Tr::TMidiHdrBase::fromRecord(buffer.record()), &buffer);
    EXPECT_FALSE(buffer.isPrepared());
    EXPECT_EQ(Tr::TMidiHdrBase::fromRecord(nullptr), nullptr);
}
