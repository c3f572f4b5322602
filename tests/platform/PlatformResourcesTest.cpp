#include "resources/PlatformResources.h"

#include <gtest/gtest.h>
#include <string>

TEST(PlatformResources, FindsAnEmbeddedFileByUpperCasedStemAndExtension)
{
    for (const char* name : {"PROBE", "probe", "Probe"})
    {
        HRSRC found = FindResourceA(nullptr, name, "txt");
        ASSERT_NE(found, nullptr) << name;
        HGLOBAL loaded = LoadResource(nullptr, found);
        ASSERT_NE(loaded, nullptr);
        const auto* bytes = static_cast<const char*>(LockResource(loaded));
        ASSERT_NE(bytes, nullptr);
        EXPECT_EQ(std::string(bytes, SizeofResource(nullptr, found)), "Vaskor resource table check\n");
        EXPECT_FALSE(FreeResource(loaded));
    }
}

TEST(PlatformResources, UnknownNamesTypesAndHandlesGiveNothing)
{
    EXPECT_EQ(FindResourceA(nullptr, "PROBE", "PNG"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "PROBE.TXT", "TXT"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "NOSUCH", "TXT"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, reinterpret_cast<LPCSTR>(101), "TXT"), nullptr);
    EXPECT_EQ(FindResourceA(nullptr, "PROBE", reinterpret_cast<LPCSTR>(10)), nullptr);

    EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
    int notAHandle = 0;
    EXPECT_EQ(LockResource(&notAHandle), nullptr);
    EXPECT_EQ(SizeofResource(nullptr, nullptr), 0u);
}
