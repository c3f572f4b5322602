#include "TString.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using Tr::TString;

namespace {

// Two strings share a buffer exactly when their texts are at the same address.
bool sharesBuffer(const TString& a, const TString& b)
{
    return a.c_str() == b.c_str();
}

// Made by a start-up initialiser, possibly before the shared empty string exists.
TString g_madeAtStartUp;

} // namespace

// --- construction and the shared empty string -----------------------------

TEST(TString, DefaultConstructedStringsShareTheEmptyBufferAndStayIndependent)
{
    TString a;
    TString b;
    EXPECT_TRUE(a.isEmpty());
    EXPECT_EQ(0, a.length());
    EXPECT_TRUE(sharesBuffer(a, b));
    EXPECT_TRUE(sharesBuffer(a, Tr::g_emptyString));

    a += "x";
    EXPECT_EQ("x", std::string(a.c_str()));
    EXPECT_TRUE(b.isEmpty());
    EXPECT_TRUE(Tr::g_emptyString.isEmpty());
    EXPECT_TRUE(Tr::emptyString().isEmpty());
}

TEST(TString, AStringMadeAtStartUpIsEmptyAndUsable)
{
    EXPECT_TRUE(g_madeAtStartUp.isEmpty());
    TString copy(g_madeAtStartUp);
    copy += "usable";
    EXPECT_EQ(TString("usable"), copy);
    EXPECT_TRUE(g_madeAtStartUp.isEmpty());
}

TEST(TString, ClearOnTheSharedEmptyStringLeavesItEmpty)
{
    TString a;
    a.clear();
    a.setLength(0);
    EXPECT_TRUE(a.isEmpty());
    EXPECT_TRUE(Tr::g_emptyString.isEmpty());
}

TEST(TString, ConstructionHonoursNullPointerMaxLengthAndCapacity)
{
    EXPECT_TRUE(TString(nullptr).isEmpty());
    EXPECT_EQ(TString("abc"), TString("abcdef", 3));
    EXPECT_TRUE(TString("abc", 0).isEmpty());
    EXPECT_TRUE(TString("abc", -5).isEmpty());

    // A given capacity means appends up to it keep the buffer.
    TString built("ab", TString::kNoLimit, 10);
    const char* before = built.c_str();
    built += "cdefghij";
    EXPECT_EQ(before, built.c_str());
    EXPECT_EQ(TString("abcdefghij"), built);
    built += "k";
    EXPECT_NE(before, built.c_str());
}

// --- copy-on-write ---------------------------------------------------------

TEST(TString, CopiesShareUntilOneOfThemChanges)
{
    TString a("text");
    TString b(a);
    TString c;
    c = a;
    EXPECT_TRUE(sharesBuffer(a, b));
    EXPECT_TRUE(sharesBuffer(a, c));

    b += "x";
    EXPECT_EQ(TString("text"), a);
    EXPECT_EQ(TString("textx"), b);
    EXPECT_TRUE(sharesBuffer(a, c));

    c.setLength(2);
    EXPECT_EQ(TString("te"), c);
    EXPECT_EQ(TString("text"), a);
}

TEST(TString, EveryChangingOperationDetachesASharedBuffer)
{
    const TString original("abcdef");
    std::vector<TString> copies(7, original);
    copies[0].assign("zz", 2);
    copies[1].append("g");
    copies[2] += TString("h");
    copies[3].setLength(1);
    copies[4].reserveEmpty(3);
    copies[5].clear();
    copies[6].setCapacity(-1);

    EXPECT_EQ(TString("abcdef"), original);
    EXPECT_EQ(TString("zz"), copies[0]);
    EXPECT_EQ(TString("abcdefg"), copies[1]);
    EXPECT_EQ(TString("abcdefh"), copies[2]);
    EXPECT_EQ(TString("a"), copies[3]);
    EXPECT_TRUE(copies[4].isEmpty());
    EXPECT_TRUE(copies[5].isEmpty());
    EXPECT_EQ(TString("abcdef"), copies[6]);
    EXPECT_FALSE(sharesBuffer(original, copies[6]));
}

TEST(TString, SelfAssignmentKeepsTheText)
{
    TString alone("only owner");
    TString& same = alone;
    alone = same;
    EXPECT_EQ(TString("only owner"), alone);
    alone.assign(same);
    EXPECT_EQ(TString("only owner"), alone);

    TString shared("shared");
    TString other(shared);
    shared = other;
    EXPECT_EQ(TString("shared"), shared);
    EXPECT_TRUE(sharesBuffer(shared, other));
}

TEST(TString, ClearEmptiesOnlyThisStringAndAnUnsharedBufferKeepsItsCapacity)
{
    TString a("hello");
    TString b(a);
    b.clear();
    EXPECT_TRUE(b.isEmpty());
    EXPECT_EQ(TString("hello"), a);
    EXPECT_TRUE(sharesBuffer(b, Tr::g_emptyString));

    const char* own = a.c_str();
    a.clear();
    EXPECT_TRUE(a.isEmpty());
    EXPECT_EQ(own, a.c_str());
    a += "12345";
    EXPECT_EQ(own, a.c_str());
}

// --- assignment from text, lengths and capacity -----------------------------

TEST(TString, AssignAndSetLengthCutAsAsked)
{
    TString s;
    s.assign("abcdef", 3);
    EXPECT_EQ(TString("abc"), s);
    s.assign(nullptr, 4);
    EXPECT_TRUE(s.isEmpty());

    TString t("abcd");
    t.setLength(2);
    EXPECT_EQ(TString("ab"), t);
    TString u("abcd");
    u.setLength(10);
    EXPECT_EQ(TString("abcd"), u);
    u.setLength(-1);
    EXPECT_TRUE(u.isEmpty());
}

TEST(TString, AssignAndAppendFromTheStringsOwnTextWork)
{
    TString s("abcdef");
    s.assign(s.c_str() + 2, 3);
    EXPECT_EQ(TString("cde"), s);
    s.assign(s.c_str(), 100);
    EXPECT_EQ(TString("cde"), s);

    TString grown("abc");
    grown.append(grown.c_str());       // the buffer is too small and gets replaced
    EXPECT_EQ(TString("abcabc"), grown);
    grown += grown;
    EXPECT_EQ(TString("abcabcabcabc"), grown);
    grown += grown.c_str() + 9;
    EXPECT_EQ(TString("abcabcabcabcabc"), grown);
}

TEST(TString, ReserveKeepsTheTextAndNeverShrinks)
{
    TString s("abc");
    s.reserve(100);
    EXPECT_EQ(TString("abc"), s);
    const char* big = s.c_str();
    s.reserve(5);
    EXPECT_EQ(big, s.c_str());
    s.reserveEmpty(50);
    EXPECT_TRUE(s.isEmpty());
    EXPECT_EQ(big, s.c_str());
    s += std::string(100, 'y').c_str();
    EXPECT_EQ(big, s.c_str());
    EXPECT_EQ(100, s.length());
}

// --- concatenation -----------------------------------------------------------

TEST(TString, ConcatenationMakesOneBufferOfTheExactLength)
{
    const TString a("abc");
    const TString b("de");
    TString sum = a + b;
    EXPECT_EQ(TString("abcde"), sum);
    EXPECT_EQ(TString("abcx"), a + "x");
    EXPECT_EQ(TString("xde"), "x" + b);
    EXPECT_EQ(TString("abc"), a + static_cast<const char*>(nullptr));

    // Exactly full: reserving the length changes nothing, one more byte replaces the buffer.
    const char* exact = sum.c_str();
    sum.reserve(5);
    EXPECT_EQ(exact, sum.c_str());
    sum.reserve(6);
    EXPECT_NE(exact, sum.c_str());
}

TEST(TString, AppendingEmptyOrLimitedTextAddsOnlyWhatIsAsked)
{
    TString s("ab");
    const char* before = s.c_str();
    s.append("", 5);
    s.append("xyz", 0);
    s.append(nullptr, 3);
    s += TString();
    EXPECT_EQ(before, s.c_str());
    s.append("xyz", 2);
    EXPECT_EQ(TString("abxy"), s);
}

// --- access, comparison and search -------------------------------------------

TEST(TString, ComparisonsFollowUnsignedByteOrderAndFoldAsciiOnRequest)
{
    EXPECT_TRUE(TString("abc") < TString("abd"));
    EXPECT_TRUE(TString("ABC") < TString("abc"));
    EXPECT_TRUE(TString("ab") < TString("abc"));
    EXPECT_FALSE(TString("abc") < TString("abc"));
    EXPECT_TRUE(TString("abc") < TString("\xE9"));   // unsigned: 0xE9 is above ASCII

    EXPECT_TRUE(TString("ABC").equalsIgnoreCase(TString("abc")));
    EXPECT_FALSE(TString("ABC").equals(TString("abc"), false));
    EXPECT_TRUE(TString("abc") == "abc");
    EXPECT_FALSE(TString("abc") == "abcd");
    EXPECT_TRUE(TString("abc") != "ab");

    EXPECT_EQ(-1, Tr::strCompare("ab", "abc", false));
    EXPECT_EQ(-1, Tr::strCompare("ab", "ABC", true));
    EXPECT_EQ(1, Tr::strCompare("ABC", "ab", true));
    EXPECT_EQ(0, Tr::strCompare("abX", "ABy", true, 2));
    EXPECT_EQ(0, Tr::strCompare("abX", "aby", false, 2));
    // Folded bytes compare as signed values: 0x80 and up sort before ASCII here.
    EXPECT_EQ(-1, Tr::strCompare("\xE9", "a", true));
    EXPECT_EQ(0, Tr::strCompare(nullptr, "", true));
}

TEST(TString, CharacterSearchFindsFirstAndLastWithOptionalFolding)
{
    const TString s("aXbxc");
    EXPECT_EQ(1, s.indexOf('X'));
    EXPECT_EQ(1, s.indexOf('x', true));
    EXPECT_EQ(3, s.indexOf('x'));
    EXPECT_EQ(3, s.lastIndexOf('X', true));
    EXPECT_EQ(1, s.lastIndexOf('X'));
    EXPECT_EQ(-1, s.indexOf('z'));
    EXPECT_EQ(-1, TString("no separator").lastIndexOf('/'));
    EXPECT_EQ(-1, TString().lastIndexOf('a'));
}

TEST(TString, SubstringHandlesCountsAndStartsAtTheEdges)
{
    const TString s("abc");
    EXPECT_EQ(TString("abc"), s.substring(0, -1));
    EXPECT_EQ(TString("bc"), s.substring(1));
    EXPECT_EQ(TString("b"), s.substring(1, 1));
    EXPECT_TRUE(s.substring(3, 1).isEmpty());
    EXPECT_TRUE(s.substring(7).isEmpty());
    EXPECT_TRUE(s.substring(1, 0).isEmpty());
    EXPECT_EQ(TString("abc"), s.substring(0, 5));
    EXPECT_TRUE(TString().substring(0).isEmpty());
}

TEST(TString, FindLooksForWholeTextsWithOptionalFolding)
{
    const TString s("abc");
    EXPECT_EQ(-1, s.find(TString()));
    EXPECT_EQ(1, s.find(TString("B"), true));
    EXPECT_EQ(-1, s.find(TString("B"), false));
    EXPECT_EQ(1, s.find(TString("bc")));
    EXPECT_EQ(-1, s.find(TString("abcd")));
    EXPECT_TRUE(s.contains(TString("C"), true));
    EXPECT_FALSE(s.contains(TString("C")));
    EXPECT_EQ(TString("mixed 1!"), TString("MiXeD 1!").toLower());
}

// --- threads -------------------------------------------------------------------

TEST(TString, CopiesOfOneBufferCanLiveOnSeveralThreads)
{
    const TString shared("shared between threads");
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back([&shared, &wrong] {
            for (int i = 0; i < 20000; ++i)
            {
                TString copy(shared);
                TString other;
                other = copy;
                if (i % 100 == 0)
                    other += "!";
                if (!(copy == "shared between threads"))
                    ++wrong;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ(TString("shared between threads"), shared);
}
