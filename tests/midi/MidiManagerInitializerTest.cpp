#include "MidiManagerInitializer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::vector<std::string> g_calls;

// Writes "<name>.<hook>" for every hook it receives and "<name>.deleted" when deleted.
class Recorder : public Tr::MidiManagerInitializer
{
public:
    explicit Recorder(std::string name) : m_name(std::move(name)) {}
    ~Recorder() override { g_calls.push_back(m_name + ".deleted"); }
    void onManagerConstructed() override { g_calls.push_back(m_name + ".constructed"); }
    void onManagerReady() override { g_calls.push_back(m_name + ".ready"); }
    void onManagerDestroying() override { g_calls.push_back(m_name + ".destroying"); }

private:
    std::string m_name;
};
} // namespace

TEST(MidiManagerInitializer, HooksReachEveryInitializerOnceInRegistrationOrder)
{
    // The MME driver registers its initializer before main: start from none.
    Tr::deleteMidiManagerInitializers();
    EXPECT_EQ(Tr::midiManagerInitializers(), nullptr);
    Tr::runMidiManagerInitializers(&Tr::MidiManagerInitializer::onManagerReady); // no list: nothing

    auto* a = new Recorder("A");
    auto* b = new Recorder("B");
    Tr::registerMidiManagerInitializer(a);
    Tr::registerMidiManagerInitializer(b);
    Tr::registerMidiManagerInitializer(a);
    Tr::registerMidiManagerInitializer(nullptr);
    ASSERT_NE(Tr::midiManagerInitializers(), nullptr);
    EXPECT_EQ(Tr::midiManagerInitializers()->count(), 2);

    Tr::runMidiManagerInitializers(&Tr::MidiManagerInitializer::onManagerConstructed);
    Tr::runMidiManagerInitializers(&Tr::MidiManagerInitializer::onManagerReady);
    Tr::runMidiManagerInitializers(&Tr::MidiManagerInitializer::onManagerDestroying);
    Tr::deleteMidiManagerInitializers();

    EXPECT_EQ(g_calls, (std::vector<std::string>{"A.constructed", "B.constructed", "A.ready", "B.ready",
                                                 "A.destroying", "B.destroying", "A.deleted", "B.deleted"}));
    EXPECT_EQ(Tr::midiManagerInitializers(), nullptr);
    Tr::deleteMidiManagerInitializers(); // nothing left: nothing happens
}
