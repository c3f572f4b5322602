// The gone notices of the ALSA and JACK cores, with links as they keep them.
#include "midi/GoneClients.h"

#include <gtest/gtest.h>

#include <memory>

using PlatformMidi::GoneClients;

namespace
{
/** A client of either kind that counts the notices it hears. */
class CountingClient final : public PlatformMidi::OutputClient, public PlatformMidi::InputClient
{
public:
    void longMessageDone(uint64_t) override {}
    void flushCallbacks() override {}
    void bytesReceived(const BYTE*, size_t) override {}
    void deviceGone() override { ++gone; }

    int gone = 0;
};

/** A link with the fields a core keeps. */
struct Link
{
    std::shared_ptr<PlatformMidi::OutputClient> outputClient;
    std::shared_ptr<PlatformMidi::InputClient> inputClient;
    bool gone = false;
};
} // namespace

TEST(GoneClients, MarksEachLinkGoneOnceAndTellsItsClientsLater)
{
    auto output = std::make_shared<CountingClient>();
    auto input = std::make_shared<CountingClient>();
    Link outputLink{output, nullptr};
    Link inputLink{nullptr, input};

    GoneClients gone;
    gone.collect(outputLink);
    gone.collect(inputLink);
    gone.collect(outputLink); // found gone again by a later pass
    EXPECT_TRUE(outputLink.gone);
    EXPECT_TRUE(inputLink.gone);
    EXPECT_EQ(0, output->gone + input->gone); // nothing is told under the core's lock

    gone.tell();
    EXPECT_EQ(1, output->gone);
    EXPECT_EQ(1, input->gone);

    GoneClients later;
    later.collect(outputLink);
    later.tell();
    EXPECT_EQ(1, output->gone);
}

TEST(GoneClients, ALinkFreedBeforeTheNoticeAndOneMadeInItsPlaceAreLeftAlone)
{
    auto closed = std::make_shared<CountingClient>();
    auto opened = std::make_shared<CountingClient>();
    GoneClients gone;
    {
        auto link = std::make_unique<Link>(Link{closed, nullptr});
        gone.collect(*link);
    } // closed by its handle between the core's pass and the notice
    auto next = std::make_unique<Link>(Link{opened, nullptr}); // may well reuse the address

    gone.tell();
    EXPECT_EQ(1, closed->gone);
    EXPECT_EQ(0, opened->gone);
    EXPECT_FALSE(next->gone);
}
