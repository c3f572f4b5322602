#include "midi/MidiBackendChoice.h"

#include "midi/AlsaMidiBackend.h"
#include "midi/JackMidiBackend.h"
#include "midi/MemoryMidiBackend.h"
#include "midi/PlatformMidi.h"
#include "support/JackTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using PlatformMidi::MidiBackendChoice;

TEST(MidiBackendChoice, NamedBackendsAreTakenAndAnUnknownNameGivesNoDevices)
{
    std::string report;
    EXPECT_EQ("none", MidiBackendChoice::choose("none", report)->name());
    EXPECT_EQ("", report);
    auto unknown = MidiBackendChoice::choose("winmm", report);
    EXPECT_EQ("none", unknown->name());
    EXPECT_NE(std::string::npos, report.find("\"winmm\" is none of alsa, jack, none")) << report;
    report.clear();
    auto alsa = MidiBackendChoice::choose("alsa", report);
    EXPECT_EQ("ALSA", alsa->name());
    if (!static_cast<PlatformMidi::AlsaMidiBackend&>(*alsa).isOpen())
    {
        EXPECT_NE(std::string::npos, report.find("ALSA sequencer")) << report;
    }
}

TEST(MidiBackendChoice, JackIsTakenWhenNamedAndWhenItIsTheOnlyServiceThatAnswers)
{
    VASKOR_REQUIRE_JACK_SERVER();
    std::string report;
    auto jack = MidiBackendChoice::choose("jack", report);
    EXPECT_EQ("JACK", jack->name());
    EXPECT_EQ("", report);
    PlatformMidi::AlsaMidiBackend alsa;
    if (!alsa.isOpen())
    {
        EXPECT_EQ("JACK", MidiBackendChoice::choose(nullptr, report)->name());
    }
}

TEST(MidiBackendChoice, WithoutAnyServiceThereAreNoDevicesSaidOnceOnStandardError)
{
    ::setenv("JACK_DEFAULT_SERVER", "vaskor-no-such-server", 1);
    ::unsetenv("VASKOR_MIDI_BACKEND");
    PlatformMidi::AlsaMidiBackend alsa;
    if (alsa.isOpen())
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    testing::internal::CaptureStderr();
    const auto chosen = MidiBackendChoice::current();
    EXPECT_EQ(chosen, MidiBackendChoice::current());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ("none", chosen->name());
    EXPECT_EQ(1u, std::count(said.begin(), said.end(), '\n')) << said;
    EXPECT_NE(std::string::npos, said.find("no JACK server is running")) << said;
    EXPECT_EQ(0u, midiOutGetNumDevs());
}

TEST(MidiBackendChoice, InstalledBackendReplacesTheChoiceUntilPutBack)
{
    auto memory = std::make_shared<PlatformMidi::MemoryMidiBackend>();
    auto previous = MidiBackendChoice::install(memory);
    memory->addOutput("Synth");
    EXPECT_EQ(1u, midiOutGetNumDevs());
    EXPECT_EQ(memory, MidiBackendChoice::install(previous));
}
