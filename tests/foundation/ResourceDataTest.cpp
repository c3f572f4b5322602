#include "ResourceData.h"

#include <gtest/gtest.h>
#include <string>

TEST(ResourceData, LoadsAnEmbeddedResourceAndFreesIt)
{
    Tr::TResourceData resource;
    ASSERT_TRUE(Tr::loadResource(nullptr, "TXT", "PROBE", resource));
    EXPECT_NE(resource.handle, nullptr);
    ASSERT_NE(resource.data, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(resource.data), resource.size), "Vaskor resource table check\n");

    Tr::freeResource(&resource);
    EXPECT_EQ(resource.handle, nullptr);
    EXPECT_EQ(resource.data, nullptr);
    EXPECT_EQ(resource.size, 0u);
}

TEST(ResourceData, AMissingResourceZeroesTheRecord)
{
    Tr::TResourceData resource;
    ASSERT_TRUE(Tr::loadResource(nullptr, "TXT", "PROBE", resource));
    EXPECT_FALSE(Tr::loadResource(nullptr, "PNG", "NOSUCH", resource));
    EXPECT_EQ(resource.handle, nullptr);
    EXPECT_EQ(resource.data, nullptr);
    EXPECT_EQ(resource.size, 0u);

    Tr::freeResource(&resource);
    EXPECT_EQ(resource.handle, nullptr);
    Tr::freeResource(nullptr);
}
