#include "files/PlatformFiles.h"

#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

TEST(PlatformFiles, AttributesTellFoldersFromFilesAndMissingPaths)
{
    TestSupport::TempDir dir;
    std::ofstream(dir.file("plain.txt")) << "x";

    EXPECT_EQ(GetFileAttributesA(dir.str().c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA(dir.file("plain.txt").c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributesA(dir.file("missing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(""), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(nullptr), INVALID_FILE_ATTRIBUTES);
}

TEST(PlatformFiles, CreateDirectoryMakesOneLevelAndRefusesExistingOrOrphanFolders)
{
    TestSupport::TempDir dir;
    const std::string folder = dir.file("new");

    EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_FALSE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_FALSE(CreateDirectoryA(dir.file("a/b").c_str(), nullptr));
    EXPECT_FALSE(std::filesystem::exists(dir.file("a")));
    EXPECT_FALSE(CreateDirectoryA("", nullptr));
}
