#include "files/PlatformShellFolders.h"

#include "files/PlatformRegularFile.h"

#include "support/Fifo.h"
#include "support/FileText.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace
{
// The folder for csidl as text, or "<failed>".
std::string folderOf(int csidl, BOOL create = FALSE)
{
    char path[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, path, csidl, create))
        return "<failed>";
    return path;
}

void writeUserDirs(const TestSupport::TempHome& home, const std::string& text)
{
    std::ofstream(home.configDir() + "/user-dirs.dirs") << text;
}
} // namespace

TEST(PlatformShellFolders, DocumentsComeFromTheEnvironmentFirst)
{
    TestSupport::TempHome home;
    writeUserDirs(home, "XDG_DOCUMENTS_DIR=\"$HOME/Elsewhere\"\n");
    EXPECT_EQ(folderOf(CSIDL_PERSONAL), home.documentsDir());
}

TEST(PlatformShellFolders, DocumentsComeFromUserDirsWithHomeExpanded)
{
    TestSupport::TempHome home;
    ::unsetenv("XDG_DOCUMENTS_DIR");
    writeUserDirs(home, "# written by xdg-user-dirs-update\n"
                        "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                        "XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Papers\\\"/\"\n");
    EXPECT_EQ(folderOf(CSIDL_PERSONAL), home.dir().str() + "/My \"Papers\"");

    writeUserDirs(home, "XDG_DOCUMENTS_DIR=\"/srv/shared docs\"\n");
    EXPECT_EQ(folderOf(CSIDL_PERSONAL), "/srv/shared docs");
}

TEST(PlatformShellFolders, DocumentsFallBackToTheHomeFolder)
{
    TestSupport::TempHome home;
    ::unsetenv("XDG_DOCUMENTS_DIR");
    EXPECT_EQ(folderOf(CSIDL_PERSONAL), home.dir().str() + "/Documents");

    // A user-dirs.dirs that is no file is not read (nor waited on).
    {
        TestSupport::Fifo fifo(home.configDir() + "/user-dirs.dirs");
        ASSERT_TRUE(fifo.isMade());
        EXPECT_EQ(folderOf(CSIDL_PERSONAL), home.dir().str() + "/Documents");
        EXPECT_FALSE(fifo.wasOpenedForReading());
        std::filesystem::remove(fifo.path);
    }

    // Nor is one larger than any real one (one at that bound is).
    const std::string entry = "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n";
    writeUserDirs(home, TestSupport::paddedText(entry, PlatformRegularFile::kMaxTextFileSize));
    EXPECT_EQ(folderOf(CSIDL_PERSONAL), "/srv/docs");
    writeUserDirs(home, TestSupport::paddedText(entry, PlatformRegularFile::kMaxTextFileSize + 1));
    EXPECT_EQ(folderOf(CSIDL_PERSONAL), home.dir().str() + "/Documents");

    // A relative or unusable entry is ignored.
    writeUserDirs(home, "XDG_DOCUMENTS_DIR=\"Papers\"\nXDG_DOCUMENTS_DIR=\"$HOMEX/a\"\n");
    EXPECT_EQ(folderOf(CSIDL_PERSONAL), home.dir().str() + "/Documents");

    // So is one that holds a NUL, which would cut the path short, quoted or not.
    using namespace std::string_literals;
    for (const std::string& value : {"\"$HOME/Docs\0/x\""s, "/srv/docs\0x"s})
    {
        writeUserDirs(home, "XDG_DOCUMENTS_DIR=\"/srv/kept\"\nXDG_DOCUMENTS_DIR=" + value + "\n");
        char path[MAX_PATH];
        std::memset(path, '#', sizeof path);
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL, FALSE));
        EXPECT_STREQ(path, "/srv/kept");
        EXPECT_EQ(path[sizeof "/srv/kept"], '#') << "only the path and its NUL are written";
    }
}

TEST(PlatformShellFolders, ApplicationDataIsTheConfigurationFolder)
{
    TestSupport::TempHome home;
    EXPECT_EQ(folderOf(CSIDL_APPDATA), home.configDir());

    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(folderOf(CSIDL_APPDATA), home.dir().str() + "/.config");
}

TEST(PlatformShellFolders, FolderIsGivenWhetherItExistsAndMadeOnlyWhenAsked)
{
    TestSupport::TempHome home;
    const std::string missing = home.dir().file("NotYet");
    ::setenv("XDG_DOCUMENTS_DIR", missing.c_str(), 1);

    EXPECT_EQ(folderOf(CSIDL_PERSONAL), missing);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(folderOf(CSIDL_PERSONAL, TRUE), missing);
    EXPECT_TRUE(std::filesystem::is_directory(missing));
}

TEST(PlatformShellFolders, UnknownIdsAndOverlongPathsFailWithoutWriting)
{
    TestSupport::TempHome home;
    EXPECT_EQ(folderOf(0), "<failed>");
    EXPECT_EQ(folderOf(28), "<failed>");
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, nullptr, CSIDL_APPDATA, FALSE));

    const std::string longPath = "/" + std::string(MAX_PATH, 'x');
    ::setenv("XDG_CONFIG_HOME", longPath.c_str(), 1);
    char buffer[MAX_PATH + 1];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_APPDATA, FALSE));
    EXPECT_EQ(buffer[0], '#');
    EXPECT_EQ(buffer[MAX_PATH], '#');
}
