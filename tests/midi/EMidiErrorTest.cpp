#include "EMidiError.h"

#include <gtest/gtest.h>

TEST(EMidiError, IsCaughtAsTrExceptionWithItsText)
{
    try
    {
        throw Tr::EMidiError(Tr::TString("Cannot open MIDI input device \"Synth\":\r\nbusy"));
    }
    catch (const Tr::Exception& e)
    {
        EXPECT_STREQ(e.what(), "Cannot open MIDI input device \"Synth\":\r\nbusy");
    }
}
