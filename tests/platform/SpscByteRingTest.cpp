#include "midi/SpscByteRing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

using PlatformMidi::SpscByteRing;

TEST(SpscByteRing, WritesWholeRecordsOrNothingAcrossTheWrap)
{
    SpscByteRing ring(16);
    ASSERT_EQ(16u, ring.capacity());
    const unsigned char head[4] = {1, 2, 3, 4}, body[6] = {5, 6, 7, 8, 9, 10};
    for (int round = 0; round < 5; ++round)
    {
        ASSERT_TRUE(ring.write(head, sizeof head, body, sizeof body));
        EXPECT_FALSE(ring.write(head, sizeof head, body, sizeof body)); // 10 + 10 > 16
        EXPECT_EQ(10u, ring.readable());
        unsigned char out[10];
        ASSERT_TRUE(ring.peek(out, 6, 4));
        EXPECT_EQ(0, std::memcmp(out, body, 6));
        ASSERT_TRUE(ring.peek(out, 10));
        EXPECT_EQ(0, std::memcmp(out, head, 4));
        EXPECT_FALSE(ring.peek(out, 11));
        ring.skip(10);
        EXPECT_EQ(0u, ring.readable());
        EXPECT_EQ(16u, ring.writable());
    }
}

TEST(SpscByteRing, CarriesEveryRecordInOrderBetweenTwoThreads)
{
    SpscByteRing ring(256);
    constexpr uint32_t kRecords = 20000;
    std::thread producer([&] {
        for (uint32_t i = 0; i < kRecords;)
        {
            const uint32_t length = 1 + i % 37;
            std::vector<unsigned char> body(length, static_cast<unsigned char>(i));
            if (ring.write(&length, sizeof length, body.data(), body.size()))
                ++i;
            else
                std::this_thread::yield();
        }
    });
    uint32_t next = 0;
    while (next < kRecords)
    {
        uint32_t length;
        if (!ring.peek(&length, sizeof length))
        {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(1 + next % 37, length);
        std::vector<unsigned char> body(length);
        ASSERT_TRUE(ring.peek(body.data(), length, sizeof length));
        ASSERT_EQ(std::vector<unsigned char>(length, static_cast<unsigned char>(next)), body);
        ring.skip(sizeof length + length);
        ++next;
    }
    producer.join();
}
