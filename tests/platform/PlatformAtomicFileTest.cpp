// Tests of the atomic whole-file replacement: the target is either the new
// bytes or untouched, links are followed, and no temporary file is left over.
#include "files/PlatformAtomicFile.h"

#include "support/Fifo.h"
#include "support/FileWriteFailure.h"
#include "support/ModesCount.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace
{
using TestSupport::readBytes;
using TestSupport::ScopedFileSizeLimit;
using TestSupport::writeBytes;

std::vector<unsigned char> pattern(size_t size, unsigned char seed)
{
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(seed + i * 7);
    return bytes;
}

size_t entryCount(const fs::path& folder)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

mode_t modeOf(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Gives a file or folder a mode for the lifetime of the object, 0755 afterwards.
class ScopedMode
{
public:
    ScopedMode(std::string path, mode_t mode) : path_(std::move(path)) { ::chmod(path_.c_str(), mode); }
    ~ScopedMode() { ::chmod(path_.c_str(), 0755); }

private:
    std::string path_;
};

// Sets the process's file-creation mask for the lifetime of the object.
class ScopedUmask
{
public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }

private:
    mode_t old_;
};
} // namespace

TEST(PlatformAtomicFile, ReplacingALongerFileLeavesExactlyTheNewBytes)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("bank.syx");
    writeBytes(path, pattern(5000, 1));

    const auto bytes = pattern(690, 9);
    ASSERT_TRUE(PlatformAtomicFile::replaceContents(path.c_str(), bytes.data(), bytes.size()));

    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(entryCount(dir.path()), 1u);
}

TEST(PlatformAtomicFile, NewFilesGetTheCreationMaskModeAndReplacedFilesKeepModeAndOwner)
{
    TestSupport::TempDir dir;
    const auto bytes = pattern(690, 3);
    const std::string fresh = dir.file("fresh.syx");
    const std::string privateOne = dir.file("private.syx");
    writeBytes(privateOne, pattern(10, 0));
    ::chmod(privateOne.c_str(), 0600);
    // Root may give files away: then the replaced file belongs to another user.
    const uid_t owner = TestSupport::modesCountUser();
    const gid_t group = TestSupport::modesCountGroup();
    ASSERT_EQ(::chown(privateOne.c_str(), owner, group), 0);

    {
        ScopedUmask mask(022);
        ASSERT_TRUE(PlatformAtomicFile::replaceContents(fresh.c_str(), bytes.data(), bytes.size()));
        ASSERT_TRUE(PlatformAtomicFile::replaceContents(privateOne.c_str(), bytes.data(), bytes.size()));
    }
    EXPECT_EQ(modeOf(fresh), 0644u);
    EXPECT_EQ(modeOf(privateOne), 0600u) << "a private file stays private";
    struct stat info {};
    ASSERT_EQ(::stat(privateOne.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, owner);
    EXPECT_EQ(info.st_gid, group);
    EXPECT_EQ(readBytes(privateOne), bytes);

    {
        ScopedUmask mask(002);
        ASSERT_TRUE(PlatformAtomicFile::replaceContents(fresh.c_str(), bytes.data(), bytes.size()));
    }
    EXPECT_EQ(modeOf(fresh), 0644u) << "a replaced file keeps its mode whatever the mask";
}

TEST(PlatformAtomicFile, AWritableFileInAFolderThatTakesNoNewFileIsWrittenInPlace)
{
    TestSupport::TempDir dir;
    ::chmod(dir.str().c_str(), 0755);
    const std::string folder = dir.file("locked");
    const std::string path = folder + "/bank.syx";
    fs::create_directory(folder);
    const auto old = pattern(1200, 5);
    writeBytes(path, old);
    const uid_t user = TestSupport::modesCountUser();
    const gid_t group = TestSupport::modesCountGroup();
    ASSERT_EQ(::chown(folder.c_str(), user, group), 0);
    ASSERT_EQ(::chown(path.c_str(), user, group), 0);
    ::chmod(path.c_str(), 0640);
    const ScopedMode locked(folder, 0555);

    // Too large for the size limit: refused before any byte of the file changes.
    const auto tooLarge = pattern(1500, 1);
    const auto refused = TestSupport::runWhereModesCount([&] {
        ScopedFileSizeLimit limit(1300);
        return limit.isActive() && !PlatformAtomicFile::replaceContents(path.c_str(), tooLarge.data(), tooLarge.size());
    });
    if (!refused)
        GTEST_SKIP() << "cannot run as an ordinary user here, and root writes into any folder";
    EXPECT_TRUE(*refused);
    EXPECT_EQ(readBytes(path), old);

    const auto bytes = pattern(690, 9);
    EXPECT_EQ(TestSupport::runWhereModesCount([&] {
        return PlatformAtomicFile::replaceContents(path.c_str(), bytes.data(), bytes.size());
    }), true);
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(entryCount(folder), 1u);
}

TEST(PlatformAtomicFile, AFailedWriteLeavesTheOldFileByteForByteAndNoTemporaryFile)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("bank.syx");
    const auto old = pattern(1200, 5);
    writeBytes(path, old);

    int error = 0;
    bool replaced = true;
    {
        ScopedFileSizeLimit limit(100);
        ASSERT_TRUE(limit.isActive());
        const auto bytes = pattern(690, 11);
        replaced = PlatformAtomicFile::replaceContents(path.c_str(), bytes.data(), bytes.size(), &error);
    }

    EXPECT_FALSE(replaced);
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(entryCount(dir.path()), 1u);
}

TEST(PlatformAtomicFile, FailsWithoutCreatingAnythingWhenTheFolderIsMissingOrTheTargetIsNoFile)
{
    TestSupport::TempDir dir;
    const auto bytes = pattern(690, 2);
    int error = 0;

    const std::string inMissing = dir.file("missing/bank.syx");
    EXPECT_FALSE(PlatformAtomicFile::replaceContents(inMissing.c_str(), bytes.data(), bytes.size(), &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(fs::exists(dir.path() / "missing"));

    const std::string folder = dir.file("folder.syx");
    fs::create_directory(folder);
    writeBytes(folder + "/inside", pattern(3, 0));
    EXPECT_FALSE(PlatformAtomicFile::replaceContents(folder.c_str(), bytes.data(), bytes.size(), &error));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(readBytes(folder + "/inside"), pattern(3, 0));
    EXPECT_EQ(entryCount(dir.path()), 1u);

    // A FIFO stays a FIFO, also behind a link.
    TestSupport::Fifo fifo(dir.file("fifo.syx"));
    ASSERT_TRUE(fifo.isMade());
    fs::create_symlink(fifo.path, dir.path() / "link.syx");
    for (const std::string& path : {fifo.path, dir.file("link.syx")})
    {
        EXPECT_FALSE(PlatformAtomicFile::replaceContents(path.c_str(), bytes.data(), bytes.size(), &error)) << path;
        EXPECT_EQ(error, EINVAL);
    }
    EXPECT_TRUE(fifo.isStillAFifo());
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.syx"));
    EXPECT_EQ(entryCount(dir.path()), 3u);

    EXPECT_FALSE(PlatformAtomicFile::replaceContents("", bytes.data(), bytes.size(), &error));
    EXPECT_EQ(error, EINVAL);
}

TEST(PlatformAtomicFile, ALinkKeepsBeingALinkAndTheFileItNamesIsReplaced)
{
    TestSupport::TempDir dir;
    fs::create_directory(dir.path() / "banks");
    const std::string real = dir.file("banks/real.syx");
    writeBytes(real, pattern(2000, 1));
    const std::string relativeLink = dir.file("relative.syx");
    const std::string chainLink = dir.file("chain.syx");
    fs::create_symlink("banks/real.syx", relativeLink);
    fs::create_symlink(relativeLink, chainLink);

    const auto first = pattern(690, 4);
    ASSERT_TRUE(PlatformAtomicFile::replaceContents(relativeLink.c_str(), first.data(), first.size()));
    EXPECT_TRUE(fs::is_symlink(relativeLink));
    EXPECT_EQ(readBytes(real), first);

    const auto second = pattern(690, 8);
    ASSERT_TRUE(PlatformAtomicFile::replaceContents(chainLink.c_str(), second.data(), second.size()));
    EXPECT_TRUE(fs::is_symlink(chainLink));
    EXPECT_TRUE(fs::is_symlink(relativeLink));
    EXPECT_EQ(readBytes(real), second);
    EXPECT_EQ(entryCount(dir.path() / "banks"), 1u);
}

TEST(PlatformAtomicFile, ADanglingLinkGetsItsFileAndALoopOfLinksFails)
{
    TestSupport::TempDir dir;
    const std::string dangling = dir.file("dangling.syx");
    fs::create_symlink(dir.file("made.syx"), dangling);
    const auto bytes = pattern(690, 6);

    ASSERT_TRUE(PlatformAtomicFile::replaceContents(dangling.c_str(), bytes.data(), bytes.size()));
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(readBytes(dir.file("made.syx")), bytes);

    fs::create_symlink(dir.file("b.syx"), dir.file("a.syx"));
    fs::create_symlink(dir.file("a.syx"), dir.file("b.syx"));
    int error = 0;
    EXPECT_FALSE(PlatformAtomicFile::replaceContents(dir.file("a.syx").c_str(), bytes.data(), bytes.size(), &error));
    EXPECT_EQ(error, ELOOP);
    EXPECT_TRUE(fs::is_symlink(dir.file("a.syx")));
}

TEST(PlatformAtomicFile, AFileWhoseNameIsAtTheSystemLimitCanBeReplaced)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file(std::string(251, 'n') + ".syx");
    writeBytes(path, pattern(900, 0));
    const auto bytes = pattern(690, 7);

    ASSERT_TRUE(PlatformAtomicFile::replaceContents(path.c_str(), bytes.data(), bytes.size()));
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(entryCount(dir.path()), 1u);
}
