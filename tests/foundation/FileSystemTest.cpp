#include "FileSystem.h"

#include "support/Fifo.h"
#include "support/FileText.h"
#include "support/ResidentSetPeak.h"
#include "support/TStringPrinting.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
using TestSupport::makeSparseFile;
using TestSupport::writeFileBytes;

struct LoadResult
{
    char* buffer;
    int32_t size;
    Tr::TString error;
};

LoadResult load(const std::string& path)
{
    LoadResult result {nullptr, -77, "untouched"};
    result.buffer = Tr::loadFile(Tr::TString(path.c_str()), &result.size, &result.error);
    return result;
}
} // namespace

TEST(FileSystem, LoadFileReadsEveryByteAndLeavesTheErrorAlone)
{
    TestSupport::TempDir dir;
    const std::string bytes("a\0b\r\n\xff", 6);
    writeFileBytes(dir.file("data.bin"), bytes);

    LoadResult result = load(dir.file("data.bin"));
    ASSERT_NE(result.buffer, nullptr);
    EXPECT_EQ(result.size, 6);
    EXPECT_EQ(std::string(result.buffer, 6), bytes);
    EXPECT_EQ(result.error, "untouched");
    Tr::freeFileBuffer(result.buffer);
    Tr::freeFileBuffer(nullptr);
}

TEST(FileSystem, LoadFileGivesAnEmptyFileItsOwnBuffer)
{
    TestSupport::TempDir dir;
    writeFileBytes(dir.file("empty"), "");
    LoadResult result = load(dir.file("empty"));
    ASSERT_NE(result.buffer, nullptr);
    EXPECT_EQ(result.size, 0);
    Tr::freeFileBuffer(result.buffer);
}

TEST(FileSystem, LoadFileReportsMissingFilesFoldersAndFifosAsUnopenable)
{
    TestSupport::TempDir dir;
    // A FIFO is refused without waiting for a writer in the open.
    TestSupport::Fifo fifo(dir.file("fifo.syx"));
    ASSERT_TRUE(fifo.isMade());
    for (const std::string& path : {dir.file("missing.syx"), dir.str(), fifo.path})
    {
        LoadResult result = load(path);
        EXPECT_EQ(result.buffer, nullptr);
        EXPECT_EQ(result.size, -77);
        EXPECT_EQ(result.error, ("error opening file: : " + path).c_str());
    }
    EXPECT_FALSE(fifo.wasOpenedForReading());
    int32_t size = 5;
    EXPECT_EQ(Tr::loadFile(Tr::TString(dir.file("missing").c_str()), &size, nullptr), nullptr);
    EXPECT_EQ(size, 5);
}

TEST(FileSystem, LoadFileRefusesFilesOfTwoGigabytesAndMoreWithoutReadingThem)
{
    TestSupport::TempDir dir;
    const std::uintmax_t limit = 0x7FFFFFFF;
    // 4 GiB + 10 bytes must not pass for a 10-byte file.
    for (const std::uintmax_t size : {limit, limit + 1, std::uintmax_t(0x100000000), std::uintmax_t(0x10000000A)})
    {
        const std::string path = dir.file("huge-" + std::to_string(size));
        makeSparseFile(path, size);
        LoadResult result = load(path);
        EXPECT_EQ(result.buffer, nullptr) << size;
        EXPECT_EQ(result.size, -77);
        EXPECT_EQ(result.error, ("file too large (2GB limit): " + path).c_str());
        fs::remove(path);
    }
}

TEST(FileSystem, LoadFileWithABoundRefusesALargerFileFromItsSizeAlone)
{
    TestSupport::TempDir dir;
    constexpr int32_t bound = 690;
    struct Case
    {
        std::uintmax_t size;
        bool loaded;
    };
    // 4 GiB + 10 bytes must not pass for a 10-byte file either.
    for (const Case& c : {Case {0, true}, Case {bound, true}, Case {bound + 1, false},
                          Case {std::uintmax_t(1) << 30, false}, Case {std::uintmax_t(0x10000000A), false}})
    {
        const std::string path = dir.file("file-" + std::to_string(c.size));
        makeSparseFile(path, c.size);
        TestSupport::ResidentSetPeak peak;
        ASSERT_TRUE(peak.isActive());
        int32_t size = -77;
        Tr::TString error = "untouched";
        bool tooLarge = c.loaded; // the opposite of what is expected
        char* buffer = Tr::loadFile(Tr::TString(path.c_str()), &size, &error, bound, &tooLarge);
        EXPECT_LT(peak.riseKiB(), 16 * 1024) << c.size << ": nothing of the file is read";
        EXPECT_EQ(tooLarge, !c.loaded) << c.size;
        EXPECT_EQ(buffer != nullptr, c.loaded) << c.size;
        EXPECT_EQ(size, c.loaded ? static_cast<int32_t>(c.size) : -77) << c.size;
        EXPECT_EQ(error, c.loaded ? "untouched" : ("file too large (690 bytes at most): " + path).c_str()) << c.size;
        Tr::freeFileBuffer(buffer);
        fs::remove(path);
    }
}

TEST(FileSystem, ExistenceTestsTellFilesFromFolders)
{
    TestSupport::TempDir dir;
    writeFileBytes(dir.file("f"), "x");
    EXPECT_TRUE(Tr::fileExists(dir.file("f").c_str()));
    EXPECT_FALSE(Tr::fileExists(dir.str().c_str()));
    EXPECT_FALSE(Tr::fileExists(Tr::TString(dir.file("none").c_str())));
    EXPECT_TRUE(Tr::directoryExists(Tr::TString(dir.str().c_str())));
    EXPECT_FALSE(Tr::directoryExists(dir.file("f").c_str()));
    EXPECT_FALSE(Tr::directoryExists(dir.file("none").c_str()));
}

TEST(FileSystem, CreateDirectoriesMakesEveryMissingLevel)
{
    TestSupport::TempDir dir;
    const std::string deep = dir.file("one/two/three");
    EXPECT_TRUE(Tr::createDirectories(deep.c_str()));
    EXPECT_TRUE(fs::is_directory(deep));
    EXPECT_TRUE(Tr::createDirectories(Tr::TString(deep.c_str())));
    EXPECT_TRUE(Tr::createDirectories("/"));

    // A trailing or doubled separator names the same folder: made, and true.
    for (const std::string& path : {dir.file("trailing/"), dir.file("double//inner")})
    {
        EXPECT_TRUE(Tr::createDirectories(path.c_str())) << path;
        EXPECT_TRUE(fs::is_directory(path)) << path;
    }
}

TEST(FileSystem, CreateDirectoriesStopsAtAFailureAndNeverMakesTopLevelNames)
{
    TestSupport::TempDir dir;
    writeFileBytes(dir.file("file"), "x");
    EXPECT_FALSE(Tr::createDirectories(dir.file("file/inner/deeper").c_str()));
    EXPECT_FALSE(fs::exists(dir.file("file/inner")));

    {
        TestSupport::CurrentFolder inDir(dir.path());
        EXPECT_FALSE(Tr::createDirectories("relative"));
        EXPECT_FALSE(fs::exists(dir.file("relative")));
        EXPECT_FALSE(Tr::createDirectories("relative/x"));
    }

    const std::string underRoot = "/vaskor-never-made-" + std::to_string(::getpid());
    EXPECT_FALSE(Tr::createDirectories(underRoot.c_str()));
    EXPECT_FALSE(fs::exists(underRoot));
    EXPECT_FALSE(Tr::createDirectories(""));
    EXPECT_FALSE(Tr::createDirectories(static_cast<const char*>(nullptr)));
}

TEST(FileSystem, OnlyALoneSeparatorIsTheRoot)
{
    EXPECT_TRUE(Tr::isRootPath("/"));
    for (const char* path : {"", "//", "/a", "a/", "C:", "C:\\", "\\"})
        EXPECT_FALSE(Tr::isRootPath(path)) << path;
    EXPECT_FALSE(Tr::isRootPath(nullptr));
}

TEST(FileSystem, FoldersComeFromTheUsersEnvironment)
{
    TestSupport::TempHome home;
    EXPECT_EQ(Tr::getDocumentsFolder(), home.documentsDir().c_str());
    EXPECT_EQ(Tr::getAppDataFolder(), home.configDir().c_str());
    EXPECT_EQ(getSettingsFolder(), (home.configDir() + "/Vaskor Devices").c_str());
    EXPECT_FALSE(fs::exists(home.configDir() + "/Vaskor Devices"));
    EXPECT_EQ(Tr::getSpecialFolder(28), "");
}

TEST(FileSystem, SettingsFolderWithoutApplicationDataIsTheBareName)
{
    TestSupport::TempHome home;
    const std::string tooLong = "/" + std::string(300, 'x');
    ::setenv("XDG_CONFIG_HOME", tooLong.c_str(), 1);
    EXPECT_EQ(Tr::getAppDataFolder(), "");
    EXPECT_EQ(getSettingsFolder(), "/Vaskor Devices");
}
