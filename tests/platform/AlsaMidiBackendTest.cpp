// The ALSA backend where no sequencer exists (this machine has no kernel
// sound): it has no devices, refuses opens and says why.
#include "midi/AlsaMidiBackend.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using PlatformMidi::AlsaMidiBackend;
using PlatformMidi::DeviceKind;

TEST(AlsaMidiBackend, WithoutASequencerHasNoDevicesAndSaysWhy)
{
    struct stat info;
    if (::stat("/dev/snd/seq", &info) == 0)
        GTEST_SKIP() << "this machine has an ALSA sequencer";
    AlsaMidiBackend backend;
    EXPECT_FALSE(backend.isOpen());
    EXPECT_NE(std::string::npos, backend.failure().find("the ALSA sequencer cannot be opened")) << backend.failure();
    EXPECT_EQ(0u, backend.deviceCount(DeviceKind::output));
    EXPECT_EQ(0u, backend.deviceCount(DeviceKind::input));
    std::string name;
    EXPECT_EQ(MMSYSERR_BADDEVICEID, backend.productName(DeviceKind::output, 0, name));
    const auto outcome = backend.openOutput(0, nullptr);
    EXPECT_EQ(MMSYSERR_NODRIVER, outcome.code);
    EXPECT_EQ(nullptr, outcome.connection);
    EXPECT_NE(std::string::npos, outcome.detail.find("sequencer"));
}

TEST(AlsaMidiBackend, WithoutTheLibraryHasNoDevicesAndSaysWhy)
{
    AlsaMidiBackend backend("libvaskor-missing.so.2");
    EXPECT_FALSE(backend.isOpen());
    EXPECT_EQ(0u, backend.failure().find("the ALSA library cannot be loaded (libvaskor-missing.so.2"))
        << backend.failure();
    EXPECT_EQ(0u, backend.deviceCount(DeviceKind::output));
    const auto outcome = backend.openInput(0, nullptr);
    EXPECT_EQ(MMSYSERR_NODRIVER, outcome.code);
    EXPECT_NE(std::string::npos, outcome.detail.find("ALSA library")) << outcome.detail;
}
