#include "TIniFile.h"

#include "files/PlatformRegularFile.h"
#include "support/Fifo.h"
#include "support/FileText.h"
#include "support/FileWriteFailure.h"
#include "support/ModesCount.h"
#include "support/TStringPrinting.h"
#include "support/TempDir.h"

#include <filesystem>
#include <iterator>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
using TestSupport::readFileBytes;
using TestSupport::writeFileBytes;

Tr::TIniFile parsed(const char* text)
{
    Tr::TStringList lines;
    lines.setText(text);
    Tr::TIniFile ini;
    ini.parse(lines);
    return ini;
}

std::string linesOf(const Tr::TStringList& list)
{
    std::string text;
    for (int i = 0; i < list.count(); ++i)
        text += std::string(list.at(i).c_str()) + "|";
    return text;
}
} // namespace

TEST(TIniFile, ParseDropsLinesBeforeTheFirstHeaderAndJoinsRepeatedSections)
{
    Tr::TIniFile ini = parsed("x=1\n[Current]\nMainLeft=10\n[Sec]\na=1\n[Current]\nMainTop=5\n");
    bool found = false;
    EXPECT_EQ(linesOf(ini.getSection("Current", &found)), "MainLeft=10|MainTop=5|");
    EXPECT_TRUE(found);
    EXPECT_EQ(ini.readInteger("Current", "MainLeft", -1000), 10);
    EXPECT_FALSE(ini.valueExists("Current", "x"));
    EXPECT_EQ(ini.toText(), "[Current]\nMainLeft=10\nMainTop=5\n\n[Sec]\na=1\n\n");
}

TEST(TIniFile, OnlyExactBracketLinesOfFourOrMoreCharactersAreHeaders)
{
    Tr::TIniFile ini = parsed("[Sec]\n [Blank]\n[Tail] \n[S]\n[]\n[Empty]\n[ab]\nk=v\n");
    EXPECT_EQ(linesOf(ini.getSection("Sec")), " [Blank]|[Tail] |[S]|[]|");
    bool found = true;
    EXPECT_EQ(ini.getSection("Empty", &found).count(), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(ini.readString("ab", "k", "none"), "v");
    EXPECT_EQ(ini.getSection("S").count(), 0);
}

TEST(TIniFile, TypedReadsFallBackToTheirDefaults)
{
    Tr::TIniFile ini = parsed("[Sec]\nnum=12abc\ntext=abc\nempty=\nneg= -5\nbig=99999999999\nk=1\nk=2\n");
    EXPECT_EQ(ini.readInteger("Sec", "num", 7), 12);
    EXPECT_EQ(ini.readInteger("Sec", "text", 7), 0);
    EXPECT_EQ(ini.readInteger("Sec", "empty", 7), 7);
    EXPECT_EQ(ini.readInteger("Sec", "missing", 7), 7);
    EXPECT_EQ(ini.readInteger("None", "num", 7), 7);
    EXPECT_EQ(ini.readInteger("Sec", "neg", 7), -5);
    ini.readInteger("Sec", "big", 7); // out of range: any value, but no fault
    EXPECT_EQ(ini.readString("Sec", "k", "d"), "2");
    EXPECT_EQ(ini.readString("Sec", "empty", "d"), "");
    EXPECT_EQ(ini.readString("sec", "k", "d"), "d");
}

TEST(TIniFile, WritesReplaceTheFirstLineAndDeleteRemovesOneAtATime)
{
    Tr::TIniFile ini = parsed("[Sec]\nk=1\nother=x\nk=2\n");
    EXPECT_TRUE(ini.deleteKey("Sec", "k"));
    EXPECT_TRUE(ini.valueExists("Sec", "k"));
    EXPECT_EQ(ini.readString("Sec", "k", ""), "2");
    EXPECT_FALSE(ini.deleteKey("None", "k"));
    EXPECT_FALSE(ini.valueExists("None", "k"));

    ini.writeInteger("Sec", "k", -42);
    EXPECT_EQ(linesOf(ini.getSection("Sec")), "other=x|k=-42|");
    ini.writeString("New", "k", "v");
    EXPECT_EQ(ini.toText(), "[New]\nk=v\n\n[Sec]\nother=x\nk=-42\n\n");
    ini.clear();
    EXPECT_EQ(ini.toText(), "");
}

TEST(TIniFile, SavesSectionsInByteOrderWithoutEmptyLines)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("order.ini");
    writeFileBytes(path, "[bb]\r\n\r\nz=1\r\n[MIDI.out]\r\n[MIDI.in]\r\nx=\r\n[Current]\r\n\r\n[S]\r\n[aa]\r\nq=2\r\n");
    Tr::TIniFile ini(path.c_str());
    ASSERT_TRUE(ini.load());
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readFileBytes(path), "[Current]\n[S]\n\n[MIDI.in]\nx=\n\n[aa]\nq=2\n\n[bb]\nz=1\n\n");
}

TEST(TIniFile, PreferencesSurviveLoadChangeAndSaveByteForByte)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("Vaskor MIDI 5.kqxs");
    writeFileBytes(path,
              "; written by hand\r\n"
              "[Current]\r\n"
              "MainLeft=120\r\n"
              "MainTop=80\r\n"
              "File=/home/user/banks/live.syx\r\n"
              "DocumentsDir=/home/user/banks\r\n"
              "\r\n"
              "[MIDI.out]\r\n"
              "Name0=Vaskor MIDI 5 Port 1\r\n"
              "Options0=4D4D4557\r\n"
              "[MIDI.in]\r\n"
              "; no inputs\r\n"
              "[MIDI.alias]\r\n"
              "Name0=Vaskor Out\r\n"
              "Device0=2:Vaskor MIDI 5 Port 1\r\n"
              "[Zeta Tools]\r\n"
              "colour = blue\r\n"
              "; keep me\r\n"
              "[MIDI.out]\r\n"
              "Extra=1\r\n");
    Tr::TIniFile ini(path.c_str());
    ASSERT_TRUE(ini.load());
    ini.writeInteger("Current", "MainLeft", 200);
    ini.writeString("Current", "File", "/home/user/new bank.syx");
    ini.writeString("MIDI.alias", "Device0", "2:Other Port");
    ini.writeString("MIDI.in", "Name0", "In Port");
    ASSERT_TRUE(ini.save());

    const std::string expected = "[Current]\n"
                                 "MainTop=80\n"
                                 "DocumentsDir=/home/user/banks\n"
                                 "MainLeft=200\n"
                                 "File=/home/user/new bank.syx\n"
                                 "\n"
                                 "[MIDI.alias]\n"
                                 "Name0=Vaskor Out\n"
                                 "Device0=2:Other Port\n"
                                 "\n"
                                 "[MIDI.in]\n"
                                 "; no inputs\n"
                                 "Name0=In Port\n"
                                 "\n"
                                 "[MIDI.out]\n"
                                 "Name0=Vaskor MIDI 5 Port 1\n"
                                 "Options0=4D4D4557\n"
                                 "Extra=1\n"
                                 "\n"
                                 "[Zeta Tools]\n"
                                 "colour = blue\n"
                                 "; keep me\n"
                                 "\n";
    EXPECT_EQ(readFileBytes(path), expected);

    // A second round without changes writes the same bytes.
    Tr::TIniFile again(path.c_str());
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.readString("Current", "File", ""), "/home/user/new bank.syx");
    EXPECT_EQ(again.readString("Zeta Tools", "colour", ""), "blue");
    ASSERT_TRUE(again.save());
    EXPECT_EQ(readFileBytes(path), expected);
}

TEST(TIniFile, ValuesThatWouldBreakTheFileAreQuotedAndReadBackUnchanged)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("prefs.ini");
    const char* values[] = {
        "/home/user/odd\nname.syx", "x\n[Evil]\nk=v", "cr\ronly", "  padded", "\tindented", "\"quoted\"",
        " back\\slash \"mixed\"\n",
    };
    {
        Tr::TIniFile ini(path.c_str());
        int n = 0;
        for (const char* value : values)
            ini.writeString("Current", ("Key" + std::to_string(n++)).c_str(), value);
        ASSERT_TRUE(ini.save());
    }
    Tr::TIniFile ini(path.c_str());
    ASSERT_TRUE(ini.load());
    int n = 0;
    for (const char* value : values)
        EXPECT_EQ(ini.readString("Current", ("Key" + std::to_string(n++)).c_str(), "<missing>"), value) << value;
    bool found = true;
    ini.getSection("Evil", &found);
    EXPECT_FALSE(found);
    // Seven lines, and the empty line that ends every saved section.
    EXPECT_EQ(ini.getSection("Current").count(), 8);
}

TEST(TIniFile, OrdinaryValuesAreWrittenAsTheyAre)
{
    Tr::TIniFile ini = parsed("[Sec]\nk=\"a\\tb\"\n");
    const Tr::TString value = ini.readString("Sec", "k", "");
    EXPECT_EQ(value, "a\tb");
    ini.writeString("Sec", "k", value);
    ini.writeString("Sec", "path", "C:\\dir\\x \"y\" ");
    ini.writeString("Sec", "empty", "");
    EXPECT_EQ(ini.toText(), "[Sec]\nk=a\tb\npath=C:\\dir\\x \"y\" \nempty=\n\n");
}

TEST(TIniFile, LoadOfAFileThatCannotBeReadWholeEmptiesTheStore)
{
    TestSupport::TempDir dir;
    // A NUL would end the text there: the sections after it would be lost
    // at the next save.
    writeFileBytes(dir.file("nul.ini"), std::string("[Sec]\nk=v\n[Note]\nnote=a\0b\n[MIDI.out]\nName0=Synth\n", 49));
    TestSupport::Fifo fifo(dir.file("fifo.ini"));
    ASSERT_TRUE(fifo.isMade());
    writeFileBytes(dir.file("large.ini"),
                   TestSupport::paddedText("[Sec]\nk=v\n", PlatformRegularFile::kMaxTextFileSize + 1));
    for (const char* name : {"missing.ini", "nul.ini", "fifo.ini", "large.ini"})
    {
        Tr::TIniFile ini = parsed("[Sec]\nk=v\n");
        ini.setFileName(dir.file(name).c_str());
        EXPECT_FALSE(ini.load()) << name;
        EXPECT_TRUE(ini.toText().isEmpty()) << name;
        EXPECT_EQ(ini.readString("Sec", "k", "d"), "d") << name;
    }
    EXPECT_FALSE(fifo.wasOpenedForReading());
}

TEST(TIniFile, SaveMakesTheMissingFoldersOfTheFile)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("Vaskor Devices/deeper/prefs.kqxs");
    Tr::TIniFile ini(path.c_str());
    ini.writeString("Sec", "k", "v");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readFileBytes(path), "[Sec]\nk=v\n\n");
}

TEST(TIniFile, SaveThatCannotWriteFailsAndLeavesTheOldFile)
{
    TestSupport::TempDir dir;
    writeFileBytes(dir.file("blocker"), "not a folder");
    Tr::TIniFile ini(dir.file("blocker/prefs.ini").c_str());
    ini.writeString("Sec", "k", "v");
    EXPECT_FALSE(ini.save());
    EXPECT_EQ(readFileBytes(dir.file("blocker")), "not a folder");

    fs::create_directory(dir.file("folder.ini"));
    ini.setFileName(dir.file("folder.ini").c_str());
    EXPECT_FALSE(ini.save());
    EXPECT_TRUE(fs::is_directory(dir.file("folder.ini")));

    // Nor is a FIFO written into, waited on or replaced.
    TestSupport::Fifo fifo(dir.file("fifo.ini"));
    ASSERT_TRUE(fifo.isMade());
    ini.setFileName(fifo.path.c_str());
    EXPECT_FALSE(ini.save());
    EXPECT_TRUE(fifo.isStillAFifo());

    ini.setFileName("");
    EXPECT_FALSE(ini.save());
}

namespace
{
/** A folder and a preferences file in it that belong to the user whose
    modes count, in a temporary folder that user may enter. */
struct OwnedPreferences
{
    OwnedPreferences(fs::perms folderMode, fs::perms fileMode)
    {
        fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        fs::create_directory(folder);
        writeFileBytes(path, "[Old]\nk=1\n");
        for (const std::string& owned : {folder, path})
            owns = owns && ::chown(owned.c_str(), TestSupport::modesCountUser(), TestSupport::modesCountGroup()) == 0;
        fs::permissions(path, fileMode);
        fs::permissions(folder, folderMode);
    }
    ~OwnedPreferences() { fs::permissions(folder, fs::perms::owner_all); }

    TestSupport::TempDir dir;
    const std::string folder = dir.file("Vaskor Devices");
    const std::string path = folder + "/prefs.kqxs";
    bool owns = true;
};

bool saveNewValue(const std::string& path)
{
    Tr::TIniFile ini(path.c_str());
    ini.load();
    ini.writeString("New", "k", "2");
    return ini.save();
}
} // namespace

TEST(TIniFile, SaveRefusesAFileThatIsNotWritable)
{
    OwnedPreferences prefs(fs::perms::owner_all, fs::perms::owner_read);
    ASSERT_TRUE(prefs.owns);
    const auto saved = TestSupport::runWhereModesCount([&] { return saveNewValue(prefs.path); });
    if (!saved)
        GTEST_SKIP() << "cannot run as an ordinary user here, and file permissions do not bind root";
    EXPECT_FALSE(*saved);
    EXPECT_EQ(readFileBytes(prefs.path), "[Old]\nk=1\n");
}

TEST(TIniFile, SaveKeepsAPrivateFilePrivateAlsoInAFolderThatTakesNoNewFile)
{
    for (const auto folderMode : {fs::perms::owner_all, fs::perms::owner_read | fs::perms::owner_exec})
    {
        OwnedPreferences prefs(folderMode, fs::perms::owner_read | fs::perms::owner_write);
        ASSERT_TRUE(prefs.owns);
        const auto saved = TestSupport::runWhereModesCount([&] { return saveNewValue(prefs.path); });
        if (!saved)
            GTEST_SKIP() << "cannot run as an ordinary user here, and root writes into any folder";
        EXPECT_TRUE(*saved) << "folder mode " << std::oct << static_cast<int>(folderMode);
        EXPECT_EQ(readFileBytes(prefs.path), "[New]\nk=2\n\n[Old]\nk=1\n\n");
        EXPECT_EQ(fs::status(prefs.path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }
}

TEST(TIniFile, SaveThatFailsWhileWritingKeepsTheOldFile)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("prefs.kqxs");
    writeFileBytes(path, "[Old]\nk=1\n");
    Tr::TIniFile ini(path.c_str());
    ASSERT_TRUE(ini.load());
    ini.writeString("Old", "long", std::string(4096, 'v').c_str());
    {
        // A full disk, as far as this process can tell.
        TestSupport::ScopedFileSizeLimit limit(1024);
        ASSERT_TRUE(limit.isActive());
        EXPECT_FALSE(ini.save());
    }
    EXPECT_EQ(readFileBytes(path), "[Old]\nk=1\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_TRUE(ini.save());
    EXPECT_EQ(readFileBytes(path), "[Old]\nk=1\nlong=" + std::string(4096, 'v') + "\n\n");
}

TEST(TIniFile, SectionNamesOfAnyLengthAreSaved)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("long.ini");
    const std::string name(5000, 'n');
    {
        Tr::TIniFile ini(path.c_str());
        ini.writeString(name.c_str(), "k", "v");
        ASSERT_TRUE(ini.save());
    }
    Tr::TIniFile ini(path.c_str());
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readString(name.c_str(), "k", ""), "v");
}

TEST(TIniFile, AOneCharacterSectionIsSavedButReadBackAsOrdinaryLines)
{
    Tr::TIniFile ini;
    ini.writeString("Alpha", "a", "1");
    ini.writeString("S", "k", "v");
    const Tr::TString text = ini.toText();
    EXPECT_EQ(text, "[Alpha]\na=1\n\n[S]\nk=v\n\n");

    Tr::TIniFile reread = parsed(text.c_str());
    EXPECT_EQ(linesOf(reread.getSection("Alpha")), "a=1||[S]|k=v||");
    EXPECT_EQ(reread.readString("Alpha", "k", ""), "v");
}
