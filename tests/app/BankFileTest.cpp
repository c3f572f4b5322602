// Tests of the naming rules and the safe write of template files.
#include "BankFile.h"

#include "Exception.h"

#include "support/FileWriteFailure.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
using TestSupport::readBytes;
using TestSupport::ScopedFileSizeLimit;
using TestSupport::writeBytes;

std::vector<unsigned char> bankBytes(unsigned char fill)
{
    std::vector<unsigned char> bytes(690, fill);
    bytes.front() = 0xF0;
    bytes.back() = 0xF7;
    return bytes;
}

juce::String toJuce(const std::string& path)
{
    return juce::String::fromUTF8(path.c_str());
}

std::string writeErrorOf(const std::string& path, const std::vector<unsigned char>& bytes)
{
    try
    {
        BankFile::write(toJuce(path), bytes.data(), static_cast<int>(bytes.size()));
    }
    catch (const Tr::Exception& e)
    {
        return e.what();
    }
    return "no error";
}
} // namespace

TEST(BankFile, AppendsTheExtensionUnlessTheNameEndsWithItInAnyCase)
{
    EXPECT_EQ(BankFile::withExtension("/b/Bank"), "/b/Bank.syx");
    EXPECT_EQ(BankFile::withExtension("/b/Bank.Syx"), "/b/Bank.Syx");
    EXPECT_EQ(BankFile::withExtension("/b/Bank.SYX"), "/b/Bank.SYX");
    EXPECT_EQ(BankFile::withExtension("/b/Bank.syx"), "/b/Bank.syx");
    EXPECT_EQ(BankFile::withExtension("/b/Bank.txt"), "/b/Bank.txt.syx");
    EXPECT_EQ(BankFile::withExtension("/b/Banksyx"), "/b/Banksyx.syx");
}

TEST(BankFile, APathOf258BytesIsAcceptedAndOneOf259IsTooLong)
{
    EXPECT_FALSE(BankFile::isPathTooLong(juce::String::repeatedString("a", 258)));
    EXPECT_TRUE(BankFile::isPathTooLong(juce::String::repeatedString("a", 259)));

    // Counted in bytes of the 8-bit text: each of these letters takes two.
    const juce::String twoByteLetter = juce::String::fromUTF8("\xc3\xa9");
    EXPECT_FALSE(BankFile::isPathTooLong(juce::String::repeatedString(twoByteLetter, 129)));
    EXPECT_TRUE(BankFile::isPathTooLong(juce::String::repeatedString(twoByteLetter, 129) + "a"));
}

TEST(BankFile, WritingOverALongerFileLeavesExactly690Bytes)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("Bank.syx");
    writeBytes(path, std::vector<unsigned char>(4096, 0x55));

    const auto bytes = bankBytes(0x11);
    BankFile::write(toJuce(path), bytes.data(), static_cast<int>(bytes.size()));

    EXPECT_EQ(readBytes(path), bytes);
}

TEST(BankFile, AFailedWriteReportsFileWriteErrorAndKeepsTheOldFile)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("Bank.syx");
    const std::vector<unsigned char> old(1000, 0x33);
    writeBytes(path, old);

    std::string error;
    {
        ScopedFileSizeLimit limit(200);
        ASSERT_TRUE(limit.isActive());
        error = writeErrorOf(path, bankBytes(0x22));
    }

    EXPECT_EQ(error, "file write error");
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(BankFile, AMissingFolderOrAnEmptyPathReportsFileWriteError)
{
    TestSupport::TempDir dir;
    EXPECT_EQ(writeErrorOf(dir.file("nowhere/Bank.syx"), bankBytes(0)), "file write error");
    EXPECT_FALSE(fs::exists(dir.path() / "nowhere"));
    EXPECT_EQ(writeErrorOf("", bankBytes(0)), "file write error");
}
