// What the JACK output port decides about message sizes, apart from a server.
#include "midi/JackRealtimePorts.h"

#include <gtest/gtest.h>

using PlatformMidi::JackOutputPort;

TEST(JackOutputPort, LargestMessageIsWhatACycleOfTheCurrentSizeMeasuredElseTheCurrentBufferLessItsOwnRoom)
{
    const struct
    {
        size_t measured;
        size_t bufferBytes;
        size_t largest;
    } cases[] = {
        {32720, 32768, 32720}, // measured at the current size: exact
        {0, 32768, 32704},     // no cycle yet at this size: the buffer less the room JACK keeps
        {0, 1024, 960},        // a server that shrank its buffer: the message of the old size is refused
        {900, 4096, 900},      // the measure of the current size wins over the estimate
        {0, 64, 0},            // a buffer with no room at all takes nothing
        {0, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.largest, JackOutputPort::largestMessage(c.measured, c.bufferBytes))
            << c.measured << " measured, " << c.bufferBytes << " bytes";
}
