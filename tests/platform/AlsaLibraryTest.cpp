// libasound loaded at run time. This test program is not linked to it, so
// that whether the library is in the process shows what the backend did.
#include "midi/AlsaLibrary.h"

#include "midi/AlsaMidiBackend.h"
#include "support/LoadedLibraries.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using PlatformMidi::AlsaLibrary;
using TestSupport::libraryInProcess;

TEST(AlsaLibrary, HasEveryFunctionTheBackendCallsAndLeavesTheProcessWithItsLastHolder)
{
    std::string failure;
    auto library = AlsaLibrary::load(failure);
    ASSERT_NE(nullptr, library) << failure;
#define VASKOR_EXPECT_FUNCTION(name) EXPECT_NE(nullptr, library->name) << #name;
    VASKOR_ALSA_FUNCTIONS(VASKOR_EXPECT_FUNCTION)
#undef VASKOR_EXPECT_FUNCTION
    EXPECT_TRUE(libraryInProcess(AlsaLibrary::kFileName));
    library.reset();
    EXPECT_FALSE(libraryInProcess(AlsaLibrary::kFileName));
}

TEST(AlsaLibrary, AMissingLibraryOrFunctionIsNamedInTheReason)
{
    const struct
    {
        const char* file;
        const char* reason;
    } cases[] = {
        {"libvaskor-missing.so.2", "the ALSA library cannot be loaded (libvaskor-missing.so.2"},
        {"libc.so.6", "the ALSA library cannot be loaded (libc.so.6 has no snd_strerror)"},
    };
    for (const auto& test : cases)
    {
        std::string failure;
        EXPECT_EQ(nullptr, AlsaLibrary::load(failure, test.file));
        EXPECT_EQ(0u, failure.find(test.reason)) << failure;
    }
}

TEST(AlsaLibrary, ABackendWithoutSequencerLetsGoOfTheLibraryAtOnce)
{
    struct stat info;
    if (::stat("/dev/snd/seq", &info) == 0)
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    PlatformMidi::AlsaMidiBackend backend;
    EXPECT_FALSE(backend.isOpen());
    EXPECT_FALSE(libraryInProcess(AlsaLibrary::kFileName));
}
