#include "Localize.h"

#include "files/PlatformRegularFile.h"
#include "support/Fifo.h"
#include "support/FileText.h"
#include "support/TStringPrinting.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(Localize, TranslatesFromTheStringsSectionOfLanguageIni)
{
    TestSupport::TempDir dir;
    TestSupport::writeFileBytes(dir.file("Language.ini"), "[other]\nHello=Wrong\n[strings]\nHello=Hallo\nBlank=\n");
    TestSupport::CurrentFolder inDir(dir.path());

    EXPECT_EQ(Tr::localize("Hello"), "Hallo");
    EXPECT_EQ(Tr::localize("Blank"), "");
    EXPECT_EQ(Tr::localize("Unknown %s"), "Unknown %s");

    // The file is read once per run.
    TestSupport::writeFileBytes(dir.file("Language.ini"), "[strings]\nHello=Changed\n");
    EXPECT_EQ(Tr::localize("Hello"), "Hallo");
}

TEST(Localize, WithoutLanguageIniEveryTextStandsForItself)
{
    TestSupport::TempDir dir;
    TestSupport::CurrentFolder inDir(dir.path());
    EXPECT_EQ(Tr::localize("None"), "None");
    EXPECT_EQ(Tr::localize(""), "");
}

TEST(Localize, ALanguageIniThatIsNoFileIsNeitherReadNorWaitedOn)
{
    TestSupport::TempDir dir;
    TestSupport::Fifo fifo(dir.file("Language.ini"));
    ASSERT_TRUE(fifo.isMade());
    TestSupport::CurrentFolder inDir(dir.path());
    EXPECT_EQ(Tr::localize("None"), "None");
    EXPECT_FALSE(fifo.wasOpenedForReading());
}

TEST(Localize, ALanguageIniLargerThanAnyRealOneIsNotReadAndEveryTextStandsForItself)
{
    TestSupport::TempDir dir;
    TestSupport::writeFileBytes(dir.file("Language.ini"), TestSupport::paddedText("[strings]\nHello=Hallo\n",
                                                          PlatformRegularFile::kMaxTextFileSize + 1));
    TestSupport::CurrentFolder inDir(dir.path());
    EXPECT_EQ(Tr::localize("Hello"), "Hello");
}
