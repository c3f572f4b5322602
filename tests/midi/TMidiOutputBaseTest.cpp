#include "TMidiOutputBase.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{
// An output that records the bytes handed to the driver operations, and
// sends at most limit bytes of a long message.
class RecordingOutput : public Tr::TMidiOutputBase
{
public:
    RecordingOutput() : TMidiOutputBase(nullptr) {}

    bool sendShortBytes(uint8_t status, uint8_t data1, uint8_t data2) override
    {
        shortBytes = {status, data1, data2};
        return true;
    }
    int sendLongChunked(const uint8_t* data, int length, Tr::TMidiSendProgress* progress) override
    {
        longBytes.assign(data, data + length);
        progressGiven = progress != nullptr;
        return length < limit ? length : limit;
    }

    std::vector<uint8_t> shortBytes;
    std::vector<uint8_t> longBytes;
    bool progressGiven = true;
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
    EXPECT_EQ(port.shortBytes, (std::vector<uint8_t>{0x90, 0x3C, 0x40}));
}

TEST(TMidiOutputBase, SendLongForwardsWithoutProgressAndSucceedsOnlyWhenEveryByteWentOut)
{
    const std::vector<uint8_t> sysex{0xF0, 0x7D, 0x01, 0xF7};
    struct Case
    {
        int limit;
        bool sent;
    };
    for (const Case c : {Case{1 << 30, true}, Case{2, false}, Case{0, false}})
    {
        RecordingOutput port;
        port.limit = c.limit;
        EXPECT_EQ(port.sendLong(sysex.data(), static_cast<int>(sysex.size())), c.sent) << c.limit;
        EXPECT_EQ(port.longBytes, sysex);
        EXPECT_FALSE(port.progressGiven);
    }
    RecordingOutput empty;
    EXPECT_FALSE(empty.sendLong(sysex.data(), 0));
    EXPECT_EQ(empty.getPendingCount(), 0);
}
