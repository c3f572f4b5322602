#include "TMidiOutputBase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{
// Records what reaches the driver operations; sends at most limit bytes of a long message.
class RecordingOutput : public Tr::TMidiOutputBase
{
public:
    RecordingOutput() : TMidiOutputBase(nullptr) {}
    bool sendShortBytes(uint8_t status, uint8_t data1, uint8_t data2) override
    {
        sent = {status, data1, data2};
        return true;
    }
    int sendLongChunked(const uint8_t* data, int length, Tr::TMidiSendProgress* progress) override
    {
        lengths.push_back(length);
        sent.assign(data, data + (length > 0 ? length : 0));
        withProgress = progress != nullptr;
        return length < limit ? length : limit;
    }
    std::vector<uint8_t> sent;
    std::vector<int> lengths; // of every sendLongChunked call
    bool withProgress = true;
    int limit = 1 << 30;

protected:
    void openHandle() override {}
    bool closeHandle(void* /*handle*/) override { return true; }
};
} // namespace

TEST(TMidiOutputBase, SendShortUnpacksTheLowByteFirst)
{
    RecordingOutput port;
    EXPECT_TRUE(port.sendShort(0xAB403C90u));
    EXPECT_EQ(port.sent, (std::vector<uint8_t>{0x90, 0x3C, 0x40}));
}

TEST(TMidiOutputBase, SendLongForwardsWithoutProgressAndSucceedsOnlyWhenEveryByteWentOut)
{
    const std::vector<uint8_t> sysex{0xF0, 0x7D, 0x01, 0xF7};
    for (const auto& [limit, sent] : {std::pair{1 << 30, true}, {2, false}, {0, false}})
    {
        RecordingOutput port;
        port.limit = limit;
        EXPECT_EQ(port.sendLong(sysex.data(), 4), sent) << limit;
        EXPECT_EQ(port.sent, sysex);
        EXPECT_FALSE(port.withProgress);
    }
}

TEST(TMidiOutputBase, SendLongForwardsAnEmptyMessageAndAnswersFalseForNothingSent)
{
    const uint8_t sysex[] = {0xF0, 0xF7};
    RecordingOutput empty;
    EXPECT_FALSE(empty.sendLong(sysex, 0));
    EXPECT_EQ(empty.lengths, std::vector<int>{0});
    RecordingOutput negative;
    EXPECT_FALSE(negative.sendLong(sysex, -1));
    EXPECT_TRUE(negative.lengths.empty()) << "no byte count below 0 reaches the driver";
}
