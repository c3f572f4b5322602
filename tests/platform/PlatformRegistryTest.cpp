#include "registry/PlatformRegistry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
const char kUsb[] = "SYSTEM\\CurrentControlSet\\Enum\\USB";

class Registry : public ::testing::Test
{
protected:
    void SetUp() override { PlatformRegistry::clear(); }
    void TearDown() override { PlatformRegistry::clear(); }

    std::string read(HKEY key, const char* name, DWORD size = 200)
    {
        std::vector<char> buffer(size + 1, '#');
        DWORD type = 0;
        const LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &size);
        return status == ERROR_SUCCESS ? std::string(buffer.data()) : "status " + std::to_string(status);
    }
};
} // namespace

TEST_F(Registry, IsEmptyUntilATestFillsIt)
{
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUsb, 0, KEY_READ, &key));
    EXPECT_EQ(nullptr, key);
}

TEST_F(Registry, OpensKeysWithoutRegardToCaseAndReadsTextValues)
{
    PlatformRegistry::setValue("SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0582&PID_012A&MI_00\\7&1a2b&0&0000", "Service",
                               "usbaudio");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                           "system\\currentcontrolset\\enum\\usb\\vid_0582&pid_012a&mi_00\\7&1A2B&0&0000",
                                           0, KEY_QUERY_VALUE, &key));
    EXPECT_EQ("usbaudio", read(key, "Service"));
    EXPECT_EQ("usbaudio", read(key, "SERVICE"));
    EXPECT_EQ("status 2", read(key, "FriendlyName"));
    DWORD size = 0, type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Service", nullptr, &type, nullptr, &size));
    EXPECT_EQ(9u, size);
    EXPECT_EQ(REG_SZ, type);
    EXPECT_EQ("status 234", read(key, "Service", 8));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key));
    EXPECT_EQ("status 6", read(key, "Service"));
}

TEST_F(Registry, EnumeratesSubkeysInNameOrderWithWindowsSizeRules)
{
    PlatformRegistry::addKey(std::string(kUsb) + "\\VID_0582&PID_012A\\b-second");
    PlatformRegistry::setValue(std::string(kUsb) + "\\VID_0582&PID_012A\\A-first", "ParentIdPrefix", "7&1a2b&0");
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Enum\\USB\\VID_0582&PID_012A",
                                           0, KEY_READ, &key));
    DWORD subkeys = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(2u, subkeys);
    const char* expected[] = {"A-first", "b-second"};
    for (DWORD i = 0; i < 2; ++i)
    {
        char name[200];
        DWORD size = sizeof name;
        ASSERT_EQ(ERROR_SUCCESS, RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr));
        EXPECT_STREQ(expected[i], name);
        EXPECT_EQ(std::strlen(expected[i]), size);
    }
    char small[7];
    DWORD size = sizeof small;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExA(key, 0, small, &size, nullptr, nullptr, nullptr, nullptr));
    size = sizeof small;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyExA(key, 2, small, &size, nullptr, nullptr, nullptr, nullptr));
    RegCloseKey(key);
}

TEST_F(Registry, RefusesAnythingButReading)
{
    PlatformRegistry::addKey("SOFTWARE");
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, 0x20006 /* KEY_WRITE */, &key));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, nullptr));
    EXPECT_EQ(ERROR_INVALID_HANDLE,
              RegOpenKeyExA(reinterpret_cast<HKEY>(0x1234), "SOFTWARE", 0, KEY_READ, &key));
}
