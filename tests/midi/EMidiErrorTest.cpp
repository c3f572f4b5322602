#include "EMidiError.h"

#include "support/TStringPrinting.h"

#include <gtest/gtest.h>

TEST(EMidiError, IsCaughtAsTrExceptionWithTheSameTextAndRethrownAsTheSameObject)
{
    const Tr::EMidiError* first = nullptr;
    try
    {
        try
        {
            throw Tr::EMidiError(Tr::TString("Cannot open MIDI input device \"Synth\":\r\nbusy"));
        }
        catch (const Tr::Exception& e)
        {
            EXPECT_STREQ(e.what(), "Cannot open MIDI input device \"Synth\":\r\nbusy");
            EXPECT_EQ(Tr::TString(e.what()), e.message());
            first = dynamic_cast<const Tr::EMidiError*>(&e);
            throw;
        }
    }
    catch (const Tr::EMidiError& again)
    {
        EXPECT_EQ(&again, first);
    }
}
