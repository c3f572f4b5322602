#include "MidiUsbName.h"

#include "registry/PlatformRegistry.h"
#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
const std::string kDevice = "SYSTEM\\CurrentControlSet\\Enum\\USB\\vid_1234&pid_5678&mi_01\\7&2a3b&0&0001";
const std::string kParent = "SYSTEM\\CurrentControlSet\\Enum\\USB\\vid_1234&pid_5678";
const char* const kPath = "\\\\?\\usb#vid_1234&pid_5678&mi_01#7&2a3b&0&0001#{6994ad04-93ef-11d0-a3cc-00a0c9223196}";

// A USB audio device with two sibling devices under its composite key, of
// which the second is its parent.
class MidiUsbName : public ::testing::Test
{
protected:
    void SetUp() override
    {
        PlatformRegistry::clear();
        PlatformRegistry::setValue(kDevice, "Service", "usbaudio");
        PlatformRegistry::setValue(kDevice, "FriendlyName", "Vaskor Interface");
        PlatformRegistry::setValue(kDevice, "LocationInformation", "Port_#0002.Hub_#0001");
        PlatformRegistry::setValue(kParent + "\\5&aaaa&0&1", "ParentIdPrefix", "8&1111");
        PlatformRegistry::addKey(kParent + "\\5&bbbb&0&2"); // no prefix: never a match
        PlatformRegistry::setValue(kParent + "\\5&cccc&0&3", "ParentIdPrefix", "7&2A3B");
    }
    void TearDown() override { PlatformRegistry::clear(); }

    Tr::TString usbName = "before";
    Tr::TString parentId = "old parent";
};
} // namespace

TEST_F(MidiUsbName, VistaReadsTheFriendlyNameAndOlderSystemsTheLocation)
{
    EXPECT_TRUE(Tr::findUsbName(kPath, true, usbName, parentId));
    EXPECT_EQ(usbName, "Vaskor Interface");
    EXPECT_EQ(parentId, "5&cccc&0&3");
    EXPECT_TRUE(Tr::findUsbName(kPath, false, usbName, parentId));
    EXPECT_EQ(usbName, "Port_#0002.Hub_#0001");
}

TEST_F(MidiUsbName, ThePathPrefixIsMatchedInAnyCase)
{
    EXPECT_TRUE(Tr::findUsbName("\\\\?\\USB#VID_1234&PID_5678&MI_01#7&2A3B&0&0001#{x}", true, usbName, parentId));
    EXPECT_EQ(usbName, "Vaskor Interface");
    EXPECT_EQ(parentId, "5&cccc&0&3");
}

TEST_F(MidiUsbName, NothingIsFoundForOtherPathsServicesOrMissingValues)
{
    struct Case
    {
        const char* why;
        std::string path;
        std::string service;
        bool removeFriendlyName;
    };
    const Case cases[] = {
        {"not a USB path", "\\\\?\\hdaudio#func_01#4&1&0#{x}", "usbaudio", false},
        {"prefix not at the start", "x\\\\?\\usb#vid_1234&pid_5678&mi_01#7&2a3b&0&0001#", "usbaudio", false},
        {"no instance id", "\\\\?\\usb#vid_1234&pid_5678&mi_01##", "usbaudio", false},
        {"no hardware id", "\\\\?\\usb##7&2a3b&0&0001#", "usbaudio", false},
        {"service in capitals", kPath, "USBAUDIO", false},
        {"other service", kPath, "usbaudio2", false},
        {"no friendly name", kPath, "usbaudio", true},
        {"unknown device", "\\\\?\\usb#vid_9999&pid_0001#1&2#", "usbaudio", false},
    };
    for (const Case& c : cases)
    {
        SetUp();
        PlatformRegistry::setValue(kDevice, "Service", c.service);
        if (c.removeFriendlyName)
        {
            PlatformRegistry::clear();
            PlatformRegistry::setValue(kDevice, "Service", c.service);
        }
        EXPECT_FALSE(Tr::findUsbName(c.path.c_str(), true, usbName, parentId)) << c.why;
        EXPECT_EQ(usbName, "before") << c.why;
        EXPECT_EQ(parentId, "old parent") << c.why;
    }
}

TEST_F(MidiUsbName, AParentThatCannotBeFoundLeavesTheParentIdAsItWas)
{
    PlatformRegistry::clear();
    PlatformRegistry::setValue(kDevice, "Service", "usbaudio");
    PlatformRegistry::setValue(kDevice, "FriendlyName", "Lonely");
    PlatformRegistry::setValue(kParent + "\\5&aaaa&0&1", "ParentIdPrefix", "8&1111");
    EXPECT_TRUE(Tr::findUsbName(kPath, true, usbName, parentId));
    EXPECT_EQ(usbName, "Lonely");
    EXPECT_EQ(parentId, "old parent");

    // A hardware id without an interface part has no composite key.
    const std::string single = "SYSTEM\\CurrentControlSet\\Enum\\USB\\vid_1234\\9&1";
    PlatformRegistry::setValue(single, "Service", "usbaudio");
    PlatformRegistry::setValue(single, "FriendlyName", "Single");
    EXPECT_TRUE(Tr::findUsbName("\\\\?\\usb#vid_1234#9&1#", true, usbName, parentId));
    EXPECT_EQ(usbName, "Single");
    EXPECT_EQ(parentId, "old parent");
}

TEST_F(MidiUsbName, NamesFillingTheWholeBufferAreReadWithoutOverrun)
{
    // 200 bytes without room for the end mark, and one more than fits.
    PlatformRegistry::setValue(kDevice, "FriendlyName", std::string(199, 'n'));
    EXPECT_TRUE(Tr::findUsbName(kPath, true, usbName, parentId));
    EXPECT_EQ(usbName.length(), 199);
    PlatformRegistry::setValue(kDevice, "FriendlyName", std::string(200, 'n'));
    usbName = "before";
    EXPECT_FALSE(Tr::findUsbName(kPath, true, usbName, parentId));
    EXPECT_EQ(usbName, "before");
}
