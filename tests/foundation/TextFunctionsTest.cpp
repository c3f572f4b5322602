#include "TextFunctions.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

using Tr::TString;

namespace {

std::string str(const TString& s)
{
    return s.c_str();
}

} // namespace

// --- numbers from text -----------------------------------------------------

TEST(TextFunctions, ToIntParsesDecimalWithALeadingMinusOnly)
{
    EXPECT_EQ(12, Tr::toInt(TString("12"), -1));
    EXPECT_EQ(0, Tr::toInt(TString(""), -1));
    EXPECT_EQ(0, Tr::toInt(TString("-"), -1));
    EXPECT_EQ(-1, Tr::toInt(TString("x"), -1));
    EXPECT_EQ(-7, Tr::toInt(TString("-7"), 0));
    EXPECT_EQ(-42, Tr::toInt(TString("-42"), 0));
    EXPECT_EQ(7, Tr::toInt(TString("007"), 0));
    for (const char* bad : {"4-2", "+5", " 5", "5 ", "--5", "1x"})
        EXPECT_EQ(99, Tr::toInt(TString(bad), 99)) << bad;
}

TEST(TextFunctions, TryParseIntWrapsInThirtyTwoBitsOnLongNumbers)
{
    int value = 0;
    EXPECT_TRUE(Tr::tryParseInt(TString("2147483647"), value));
    EXPECT_EQ(INT_MAX, value);
    EXPECT_TRUE(Tr::tryParseInt(TString("-2147483648"), value));
    EXPECT_EQ(INT_MIN, value);
    EXPECT_TRUE(Tr::tryParseInt(TString("2147483648"), value));
    EXPECT_EQ(INT_MIN, value);
    EXPECT_TRUE(Tr::tryParseInt(TString("4294967297"), value));
    EXPECT_EQ(1, value);
    // Many digits: the place value itself wraps; the walk still ends without fault.
    EXPECT_TRUE(Tr::tryParseInt(TString("99999999999999999999999"), value));
}

TEST(TextFunctions, HexParsingUsesOneBasedPositions)
{
    EXPECT_EQ(1229211981, Tr::hexToInt(TString("FF4944494D"), 3, 8));
    EXPECT_EQ(255, Tr::hexToInt(TString("FF4944494D"), 1, 2));
    EXPECT_EQ(0x4D, Tr::hexToInt(TString("FF4944494D"), 9, 2));
    EXPECT_EQ(0xAB, Tr::hexToInt(TString("ab"), 1, 2));
    EXPECT_EQ(-1, Tr::hexToInt(TString("FFxy"), 3, 2));
    EXPECT_EQ(-1, Tr::hexToInt(TString("FFFFFFFF"), 1, 8));   // the value -1 itself

    int value = 5;
    EXPECT_TRUE(Tr::tryParseHex(TString("abc"), 2, 0, value));
    EXPECT_EQ(0, value);
    value = 5;
    EXPECT_FALSE(Tr::tryParseHex(TString("1G"), 1, 2, value));
    EXPECT_EQ(0, value);
    EXPECT_TRUE(Tr::tryParseHex(TString("FFFFFFFFFF"), 1, 10, value));   // wraps
    EXPECT_EQ(-1, value);
}

TEST(TextFunctions, HexParsingRefusesPositionsOutsideTheText)
{
    int value = 5;
    EXPECT_FALSE(Tr::tryParseHex(TString("FF"), 2, 2, value));
    EXPECT_EQ(0, value);
    EXPECT_FALSE(Tr::tryParseHex(TString("FF"), 0, 1, value));
    EXPECT_FALSE(Tr::tryParseHex(TString("FF"), 1, -1, value));
    EXPECT_EQ(-1, Tr::hexToInt(TString(), 1, 2));
}

// --- numbers to text ---------------------------------------------------------

TEST(TextFunctions, ToStringWritesSignedDecimal)
{
    EXPECT_EQ("0", str(Tr::toString(0)));
    EXPECT_EQ("-15", str(Tr::toString(-15)));
    EXPECT_EQ("2147483647", str(Tr::toString(INT_MAX)));
    EXPECT_EQ("-2147483648", str(Tr::toString(INT_MIN)));
}

TEST(TextFunctions, HexDigitsHonourMinimumMaximumAndSign)
{
    EXPECT_EQ("0", str(Tr::toHexDigits(0, 0, 0)));
    EXPECT_EQ("00FF", str(Tr::toHexDigits(255, 4, 8)));
    EXPECT_EQ("FFFFFFFF", str(Tr::toHexDigits(-1, 1, 8)));
    EXPECT_EQ("FFFF", str(Tr::toHexDigits(-1, 1, 4)));
    EXPECT_EQ("2345", str(Tr::toHexDigits(0x12345, 1, 4)));
    EXPECT_EQ("80000000", str(Tr::toHexDigits(INT_MIN, 1, 9)));
    EXPECT_EQ("4944494D", str(Tr::toHex(1229211981, 8)));
    EXPECT_EQ("0000000A", str(Tr::toHex(10, 8)));
    EXPECT_EQ("A", str(Tr::toHex(10, 0)));
    EXPECT_EQ("00000000", str(Tr::toHex(0, 12)));   // at most 8 digits
}

// --- messages ------------------------------------------------------------------

TEST(TextFunctions, FormatFunctionsFillMatchingConversions)
{
    EXPECT_EQ("Error loading file 'a.syx':\nbad",
              str(Tr::formatStrStr(TString("Error loading file '%s':\n%s"), TString("a.syx"), TString("bad"))));
    EXPECT_EQ("port 3", str(Tr::formatInt(TString("port %d"), 3)));
    EXPECT_EQ("x -> -2", str(Tr::formatStrInt(TString("%s -> %d"), TString("x"), -2)));
    EXPECT_EQ("100% sure: y", str(Tr::formatStr(TString("100%% sure: %s"), TString("y"))));
    EXPECT_EQ("", str(Tr::formatStr(TString("%s"), TString())));
}

TEST(TextFunctions, FormatResultIsWholeWhateverItsLength)
{
    const std::string longPath = "/home/user/" + std::string(5000, 'p') + "/bank.syx";
    const TString result = Tr::formatStr(TString("Error loading file '%s'"), TString(longPath.c_str()));
    EXPECT_EQ("Error loading file '" + longPath + "'", str(result));

    // Right at the edge of the stack buffer: 3999 and 4000 characters.
    for (int size : {3998, 3999, 4000, 4001})
    {
        const std::string text(static_cast<size_t>(size), 'q');
        EXPECT_EQ(text + "!", str(Tr::formatStr(TString("%s!"), TString(text.c_str())))) << size;
    }
}

TEST(TextFunctions, MismatchedFormatGivesTheTextWithTheArgumentsAppended)
{
    // Wrong kinds, too many, too few and unsupported conversions never reach the formatter.
    EXPECT_EQ("Value %d name", str(Tr::formatStr(TString("Value %d"), TString("name"))));
    EXPECT_EQ("No conversion name", str(Tr::formatStr(TString("No conversion"), TString("name"))));
    EXPECT_EQ("%s %s one", str(Tr::formatStr(TString("%s %s"), TString("one"))));
    EXPECT_EQ("%n x", str(Tr::formatStr(TString("%n"), TString("x"))));
    EXPECT_EQ("%5s x", str(Tr::formatStr(TString("%5s"), TString("x"))));
    EXPECT_EQ("Port %s 4", str(Tr::formatInt(TString("Port %s"), 4)));
    EXPECT_EQ("%d then %s a 1", str(Tr::formatStrInt(TString("%d then %s"), TString("a"), 1)));
    EXPECT_EQ("%s a b", str(Tr::formatStrStr(TString("%s"), TString("a"), TString("b"))));
    EXPECT_EQ("trailing % a", str(Tr::formatStr(TString("trailing %"), TString("a"))));
    EXPECT_EQ("%% only 7", str(Tr::formatInt(TString("%% only"), 7)));
}

// --- comparison and search -----------------------------------------------------

TEST(TextFunctions, StartsEndsAndMatchesAtCompareAtTheirPositions)
{
    const TString abc("abc");
    EXPECT_TRUE(Tr::startsWith(abc, TString(), false));
    EXPECT_TRUE(Tr::endsWith(abc, TString(), false));
    EXPECT_TRUE(Tr::startsWith(abc, TString("AB"), true));
    EXPECT_FALSE(Tr::startsWith(abc, TString("AB"), false));
    EXPECT_FALSE(Tr::startsWith(TString("a"), TString("ab"), false));

    EXPECT_TRUE(Tr::endsWith(TString("a.SYX"), TString(".syx"), true));
    EXPECT_FALSE(Tr::endsWith(TString("a.SYX"), TString(".syx"), false));
    EXPECT_FALSE(Tr::endsWith(TString("x"), TString(".syx"), true));

    EXPECT_TRUE(Tr::matchesAt(TString("abcd"), TString("cd"), 3, false));
    EXPECT_FALSE(Tr::matchesAt(TString("abcd"), TString("cd"), 4, false));
    EXPECT_TRUE(Tr::matchesAt(TString("abcd"), TString("ab"), 0, false));
    EXPECT_FALSE(Tr::matchesAt(TString("abcd"), TString("d"), 9, false));
}

TEST(TextFunctions, ReadTokenStopsOnTheSeparator)
{
    const TString path("a#b");
    int position = 0;
    EXPECT_EQ("a", str(Tr::readToken(path, position, '#')));
    EXPECT_EQ(1, position);
    position = 2;
    EXPECT_EQ("b", str(Tr::readToken(path, position, '#')));
    EXPECT_EQ(3, position);
    EXPECT_TRUE(Tr::readToken(path, position, '#').isEmpty());
    EXPECT_EQ(3, position);

    position = 0;
    EXPECT_TRUE(Tr::readToken(TString("#x"), position, '#').isEmpty());
    EXPECT_EQ(0, position);
    position = 50;
    EXPECT_TRUE(Tr::readToken(path, position, '#').isEmpty());
    EXPECT_EQ(3, position);
}

// --- path parts --------------------------------------------------------------------

TEST(TextFunctions, PathPartsSplitAtTheSlash)
{
    EXPECT_EQ("b.syx", str(TString("/a/b.syx").extractFileName()));
    EXPECT_EQ("b.syx", str(TString("b.syx").extractFileName()));
    EXPECT_EQ("", str(TString("/a/").extractFileName()));
    EXPECT_EQ("a\\b.syx", str(TString("a\\b.syx").extractFileName()));   // backslash is ordinary here

    EXPECT_EQ("/a", str(Tr::extractDirectory(TString("/a/b.syx"))));
    EXPECT_EQ("", str(Tr::extractDirectory(TString("b.syx"))));
    EXPECT_EQ("/", str(Tr::extractDirectory(TString("/b"))));
    EXPECT_EQ("a", str(Tr::extractDirectory(TString("a/b"))));
}

TEST(TextFunctions, ChangeExtensionReplacesOnlyAnExtensionOfTheFileName)
{
    const TString ext(".ext");
    EXPECT_EQ("/p/prog.ext", str(TString("/p/prog.exe").changeExtension(ext)));
    EXPECT_EQ("/p.d/prog.ext", str(TString("/p.d/prog").changeExtension(ext)));
    EXPECT_EQ("/p/.ext", str(TString("/p/.hidden").changeExtension(ext)));
    EXPECT_EQ("prog.kqxs", str(TString("prog").changeExtension(TString(".kqxs"))));
    EXPECT_EQ("a.b.ext", str(TString("a.b.c").changeExtension(ext)));
}

// --- case and wide text ----------------------------------------------------------------

TEST(TextFunctions, CaseFunctionsFoldAsciiLettersOnly)
{
    char text[] = "AbC-\xC9z";
    Tr::strToLower(text);
    EXPECT_STREQ("abc-\xC9z", text);
    Tr::strToLower(nullptr);
    EXPECT_EQ('Q', Tr::toUpperChar('q'));
    EXPECT_EQ('1', Tr::toUpperChar('1'));
    EXPECT_EQ('\xE9', Tr::toUpperChar('\xE9'));
}

TEST(TextFunctions, FromWideKeepsLatinOneAndRefusesWiderText)
{
    EXPECT_TRUE(Tr::fromWide(u"").isEmpty());
    EXPECT_TRUE(Tr::fromWide(nullptr).isEmpty());
    EXPECT_EQ("abc", str(Tr::fromWide(u"abc")));
    EXPECT_EQ("caf\xE9", str(Tr::fromWide(u"caf\u00E9")));
    EXPECT_TRUE(Tr::fromWide(u"ab\u20AC").isEmpty());
    const std::u16string longText(200, u'w');
    EXPECT_EQ(std::string(200, 'w'), str(Tr::fromWide(longText.c_str())));
}

TEST(TextFunctions, PrimitivesAreNullSafe)
{
    EXPECT_EQ(0, Tr::strLength(nullptr));
    EXPECT_EQ(3, Tr::strLength("abc"));
    EXPECT_EQ(0, Tr::strLength(nullptr, 5));
    EXPECT_EQ(2, Tr::strLength("abc", 2));
    EXPECT_EQ(3, Tr::strLength("abc", 10));
    EXPECT_EQ(-1, Tr::strCmp("a", "b"));
    EXPECT_EQ(1, Tr::strCmp("\xE9", "a"));
    EXPECT_EQ(0, Tr::strCompareN("abX", "abY", 2));
    EXPECT_EQ(nullptr, Tr::strFind(nullptr, "a"));
    EXPECT_EQ(nullptr, Tr::strFind("a", nullptr));
    const char* hay = "haystack";
    EXPECT_EQ(hay + 3, Tr::strFind(hay, "st"));
    EXPECT_EQ(0, Tr::wideLength(nullptr));
    EXPECT_EQ(2, Tr::wideLength(u"ab"));
}
