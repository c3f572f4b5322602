// libjack loaded at run time. This test program is not linked to libjack (it
// has no JACK client of its own), so that whether the library is in the
// process shows what the backend did with it.
#include "midi/JackLibrary.h"

#include "midi/JackMidiBackend.h"
#include "midi/MidiBackendChoice.h"
#include "support/LoadedLibraries.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

using PlatformMidi::JackLibrary;
using PlatformMidi::JackMidiBackend;
using TestSupport::libraryInProcess;

namespace
{
void noServer()
{
    ::setenv("JACK_DEFAULT_SERVER", "vaskor-no-such-server", 1);
}
} // namespace

TEST(JackLibrary, HasEveryFunctionTheBackendCallsAndLeavesTheProcessWithItsLastHolder)
{
    std::string failure;
    auto library = JackLibrary::load(failure);
    ASSERT_NE(nullptr, library) << failure;
#define VASKOR_EXPECT_FUNCTION(name) EXPECT_NE(nullptr, library->name) << #name;
    VASKOR_JACK_FUNCTIONS(VASKOR_EXPECT_FUNCTION)
#undef VASKOR_EXPECT_FUNCTION
    EXPECT_TRUE(libraryInProcess(JackLibrary::kFileName));
    library.reset();
    EXPECT_FALSE(libraryInProcess(JackLibrary::kFileName));
    EXPECT_FALSE(libraryInProcess("libdb-5.3.so"));
}

TEST(JackLibrary, AMissingLibraryOrFunctionIsNamedInTheReason)
{
    const struct
    {
        const char* file;
        const char* reason;
    } cases[] = {
        {"libvaskor-missing.so.0", "the JACK library cannot be loaded (libvaskor-missing.so.0"},
        {"libc.so.6", "the JACK library cannot be loaded (libc.so.6 has no jack_client_open)"},
    };
    for (const auto& test : cases)
    {
        std::string failure;
        EXPECT_EQ(nullptr, JackLibrary::load(failure, test.file));
        EXPECT_EQ(0u, failure.find(test.reason)) << failure;
    }
}

TEST(JackLibrary, ABackendThatFoundNoServerLeavesNothingOfTheLibraryBehind)
{
    noServer();
    {
        JackMidiBackend backend;
        EXPECT_TRUE(backend.isAvailable());
        EXPECT_FALSE(backend.isConnected());
        EXPECT_TRUE(libraryInProcess(JackLibrary::kFileName)); // it keeps trying
    }
    EXPECT_FALSE(libraryInProcess(JackLibrary::kFileName));
    EXPECT_FALSE(libraryInProcess("libdb-5.3.so"));
}

TEST(JackLibrary, AProcessWithoutSequencerAndServerKeepsNeitherMidiLibrary)
{
    struct stat info;
    if (::stat("/dev/snd/seq", &info) == 0)
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    noServer();
    std::string report;
    EXPECT_EQ("none", PlatformMidi::MidiBackendChoice::choose(nullptr, report)->name());
    EXPECT_NE(std::string::npos, report.find("no JACK server is running")) << report;
    EXPECT_FALSE(libraryInProcess(JackLibrary::kFileName));
    EXPECT_FALSE(libraryInProcess("libasound.so.2"));
}
