#include "TStringList.h"

#include "files/PlatformRegularFile.h"
#include "support/FileText.h"
#include "support/TStringListLines.h"
#include "support/TStringPrinting.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using TestSupport::linesOf;

namespace
{
std::vector<std::string> split(const char* text, int length = -1)
{
    Tr::TStringList list;
    list.setText(text, length);
    return linesOf(list);
}

Tr::TStringList listOf(std::initializer_list<const char*> lines)
{
    Tr::TStringList list;
    for (const char* line : lines)
        list.add(line);
    return list;
}

using Lines = std::vector<std::string>;
} // namespace

TEST(TStringList, SetTextSplitsAtEveryKindOfLineEnd)
{
    EXPECT_EQ(split("a\nb"), (Lines {"a", "b"}));
    EXPECT_EQ(split("a\r\nb"), (Lines {"a", "b"}));
    EXPECT_EQ(split("a\rb\r"), (Lines {"a", "b"}));
    EXPECT_EQ(split("a\n"), (Lines {"a"}));
    EXPECT_EQ(split("a\n\nb"), (Lines {"a", "", "b"}));
    EXPECT_EQ(split("a\r\rb"), (Lines {"a", "", "b"}));
    EXPECT_EQ(split("a\n\r\nb"), (Lines {"a", "", "b"}));
    EXPECT_EQ(split(""), Lines {});
    EXPECT_EQ(split(nullptr), Lines {});
}

TEST(TStringList, SetTextStopsAtTheLengthOrANul)
{
    EXPECT_EQ(split("abcdef", 3), (Lines {"abc"}));
    EXPECT_EQ(split("ab\0cd", 5), (Lines {"ab"}));
    // A CR at the limit ends the line without looking past the limit.
    EXPECT_EQ(split("a\r\nb", 2), (Lines {"a"}));
    EXPECT_EQ(split("abc", 0), Lines {});

    Tr::TStringList list = listOf({"old"});
    list.setText("new");
    EXPECT_EQ(linesOf(list), (Lines {"new"}));
}

TEST(TStringList, LoadFromFileKeepsTheLinesWhenTheFileIsMissingOrCannotBeReadWhole)
{
    TestSupport::TempDir dir;
    TestSupport::writeFileBytes(dir.file("list.txt"), "one\r\ntwo");
    // The text would end at the NUL, and the lines after it would be lost.
    TestSupport::writeFileBytes(dir.file("nul.txt"), std::string("one\ntw\0o\nthree\n", 15));
    // Larger than any text file the program reads: not read at all.
    const std::size_t bound = PlatformRegularFile::kMaxTextFileSize;
    TestSupport::writeFileBytes(dir.file("large.txt"), TestSupport::paddedText("one\n", bound + 1));
    Tr::TStringList list = listOf({"kept"});
    for (const char* name : {"missing.txt", "nul.txt", "large.txt"})
    {
        EXPECT_FALSE(list.loadFromFile(dir.file(name).c_str())) << name;
        EXPECT_EQ(linesOf(list), (Lines {"kept"})) << name;
    }
    EXPECT_TRUE(list.loadFromFile(dir.file("list.txt").c_str()));
    EXPECT_EQ(linesOf(list), (Lines {"one", "two"}));

    TestSupport::writeFileBytes(dir.file("bound.txt"), TestSupport::paddedText("one\n", bound));
    EXPECT_TRUE(list.loadFromFile(dir.file("bound.txt").c_str()));
    EXPECT_EQ(linesOf(list).front(), "one");
}

TEST(TStringList, LinesKeepTagsOrderAndCaseInsensitiveSearch)
{
    Tr::TStringList list;
    list.add("abc", 7);
    list.add("Second");
    list.reserve(10);
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.tagAt(0), 7);
    EXPECT_EQ(list.tagAt(1), 0);
    EXPECT_EQ(list.indexOf("ABC"), 0);
    EXPECT_TRUE(list.contains("second"));
    EXPECT_EQ(list.indexOf("ab"), -1);

    Tr::TStringList copy = list;
    list.removeAt(0);
    EXPECT_EQ(linesOf(list), (Lines {"Second"}));
    EXPECT_EQ(copy.count(), 2);
    EXPECT_EQ(copy.tagAt(0), 7);
    EXPECT_EQ(copy.lineSeparator(), "\n");
}

TEST(TStringList, ReadsBareKeysAndValues)
{
    Tr::TStringList list = listOf({"k = v", " k2=v2 ", "; k3=v3", "noequals", "=x", "  =y", "eq=a=b", "\tk4\t=\t"});
    EXPECT_EQ(list.getValue("k"), "v");
    EXPECT_EQ(list.getValue("k2"), "v2 ");
    EXPECT_FALSE(list.hasValue("k3"));
    EXPECT_FALSE(list.hasValue("; k3"));
    EXPECT_FALSE(list.hasValue("noequals"));
    EXPECT_FALSE(list.hasValue(""));
    EXPECT_EQ(list.getValue("eq"), "a=b");
    EXPECT_TRUE(list.hasValue("k4"));
    EXPECT_EQ(list.getValue("k4"), "");
    EXPECT_FALSE(list.hasValue("K"));
    EXPECT_EQ(list.getValue("missing"), "");
    EXPECT_EQ(list.count(), 8);
}

TEST(TStringList, ReadsQuotedKeysAndValuesWithEscapes)
{
    Tr::TStringList list = listOf({
        R"("a\"b\tc" = "x\\y\nz" trailing)",
        R"("spaced key" junk = " padded ")",
        R"(open="no end)",
        R"("no end=1)",
        R"(cut="at end\)",
        R"(""=empty)",
        R"("q"novalue)",
    });
    EXPECT_EQ(list.getValue("a\"b\tc"), "x\\y\nz");
    EXPECT_EQ(list.getValue("spaced key"), " padded ");
    EXPECT_FALSE(list.hasValue("open"));
    EXPECT_FALSE(list.hasValue("no end"));
    EXPECT_FALSE(list.hasValue("cut"));
    EXPECT_FALSE(list.hasValue(""));
    EXPECT_FALSE(list.hasValue("q"));
    EXPECT_EQ(Tr::unescapeChar('a'), '\a');
    EXPECT_EQ(Tr::unescapeChar('b'), '\b');
    EXPECT_EQ(Tr::unescapeChar('r'), '\r');
    EXPECT_EQ(Tr::unescapeChar('q'), 'q');
}

TEST(TStringList, DuplicateKeysReadTheLastAndRemoveTheFirst)
{
    Tr::TStringList list = listOf({"a=1", "b=x", "a=2"});
    EXPECT_EQ(list.parseValues("a"), 0);
    EXPECT_EQ(list.parseValues("none"), -1);
    EXPECT_EQ(list.getValue("a"), "2");
    EXPECT_TRUE(list.removeValue("a"));
    EXPECT_EQ(linesOf(list), (Lines {"b=x", "a=2"}));
    EXPECT_EQ(list.getValue("a"), "2");
    EXPECT_FALSE(list.removeValue("zzz"));
}

TEST(TStringList, SetValueReplacesTheLineAtTheEndAndRefreshesLookups)
{
    Tr::TStringList list = listOf({"; comment", "y=0"});
    list.setValue("x", "1");
    EXPECT_EQ(list.getValue("x"), "1");
    list.setValue("x", "2");
    EXPECT_EQ(linesOf(list), (Lines {"; comment", "y=0", "x=2"}));
    EXPECT_EQ(list.getValue("x"), "2");
    // Written unchanged: no quoting.
    list.setValue("z", " v");
    EXPECT_EQ(list.at(list.count() - 1), "z= v");
    list.clear();
    EXPECT_FALSE(list.hasValue("x"));
}

TEST(TStringList, ReadsOnlyTheFirst8000BytesOfALine)
{
    const std::string value(9000 - 2, 'v');
    Tr::TStringList list;
    list.add(("k=" + value).c_str());
    EXPECT_EQ(list.at(0).length(), 9000);
    EXPECT_EQ(list.getValue("k").length(), 7998);

    Tr::TStringList quotedTooLong;
    quotedTooLong.add(("k=\"" + value + "\"").c_str());
    EXPECT_FALSE(quotedTooLong.hasValue("k"));
}
