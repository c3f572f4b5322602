#include "OpenDeviceNames.h"

#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(OpenDeviceNames, KeepsOneLinePerNameIgnoringCaseAndOneListPerKind)
{
    Tr::addOpenDeviceName(false, "Synth");
    Tr::addOpenDeviceName(false, "SYNTH");
    Tr::addOpenDeviceName(false, "Piano");
    Tr::addOpenDeviceName(true, "Synth");

    Tr::TStringList outputs = Tr::openDeviceNames(false);
    ASSERT_EQ(outputs.count(), 2);
    EXPECT_EQ(outputs.at(0), "Synth");
    EXPECT_EQ(outputs.at(1), "Piano");

    Tr::removeOpenDeviceName(false, "synth");
    Tr::removeOpenDeviceName(false, "Organ"); // not listed: nothing happens
    outputs = Tr::openDeviceNames(false);
    ASSERT_EQ(outputs.count(), 1);
    EXPECT_EQ(outputs.at(0), "Piano");
    EXPECT_TRUE(Tr::openDeviceNames(true).contains("Synth"));

    Tr::removeOpenDeviceName(true, "Synth");
    Tr::removeOpenDeviceName(false, "Piano");
}

TEST(OpenDeviceNames, AfterTheListsAreDeletedAddingAndRemovingDoNothing)
{
    // In a child process: the deletion is for good.
    EXPECT_EXIT(
        {
            Tr::addOpenDeviceName(true, "Synth");
            Tr::deleteOpenDeviceLists();
            Tr::deleteOpenDeviceLists(); // a second call is harmless
            Tr::addOpenDeviceName(true, "Piano");
            Tr::removeOpenDeviceName(true, "Piano");
            std::exit(Tr::openDeviceNames(true).count() == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
