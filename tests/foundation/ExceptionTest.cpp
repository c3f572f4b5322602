#include "Exception.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

TEST(Exception, WhatGivesTheMessageAlsoForCopies)
{
    const Tr::Exception original("abc");
    EXPECT_STREQ("abc", original.what());
    const Tr::Exception copy(original);
    EXPECT_STREQ("abc", copy.what());
    EXPECT_EQ(original.what(), copy.what());   // the copy shares the text

    const Tr::Exception fromString(Tr::TString("from a string"));
    EXPECT_STREQ("from a string", fromString.what());
    EXPECT_STREQ("", Tr::Exception("").what());
    EXPECT_STREQ("", Tr::Exception(static_cast<const char*>(nullptr)).what());
}

TEST(Exception, IsThrownByValueAndCaughtAsAStandardException)
{
    try
    {
        throw Tr::Exception(Tr::TString("Cannot re-instanciate MidiManager!"));
    }
    catch (const std::exception& e)
    {
        EXPECT_STREQ("Cannot re-instanciate MidiManager!", e.what());
    }

    std::string seen;
    try
    {
        Tr::TString message("built ");
        message += "then thrown";
        Tr::Exception e(message);
        message.clear();   // the exception keeps its own text
        throw e;
    }
    catch (const Tr::Exception& e)
    {
        seen = e.what();
    }
    EXPECT_EQ("built then thrown", seen);
}

TEST(Exception, AssertTrueHasNoEffect)
{
    EXPECT_NO_THROW(Tr::assertTrue(false));
    EXPECT_NO_THROW(Tr::assertTrue(true));
}
