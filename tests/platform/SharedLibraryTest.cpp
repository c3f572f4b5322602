// Libraries loaded at run time. The test program is not linked to libjack or
// libasound, so whether they are in the process shows what the loader did.
#include "libraries/SharedLibrary.h"

#include "support/LoadedLibraries.h"

#include <gtest/gtest.h>

#include <cstring>

using TestSupport::libraryInProcess;

TEST(SharedLibrary, AMissingLibraryIsNotLoadedAndSaysWhy)
{
    SharedLibrary library("libvaskor-missing.so.1");
    EXPECT_FALSE(library.isLoaded());
    EXPECT_NE(std::string::npos, library.failure().find("libvaskor-missing.so.1")) << library.failure();
    size_t (*length)(const char*) = &std::strlen;
    EXPECT_FALSE(library.resolve(length, "strlen"));
    EXPECT_EQ(nullptr, length);
}

TEST(SharedLibrary, AFunctionTheLibraryLacksIsNamedAndTheOthersAreFound)
{
    SharedLibrary library("libc.so.6");
    ASSERT_TRUE(library.isLoaded());
    EXPECT_TRUE(library.wasLoadedBefore());
    size_t (*length)(const char*) = nullptr;
    EXPECT_TRUE(library.resolve(length, "strlen"));
    ASSERT_NE(nullptr, length);
    EXPECT_EQ(3u, length("abc"));
    EXPECT_EQ("", library.failure());
    EXPECT_FALSE(library.resolve(length, "vaskor_no_such_function"));
    EXPECT_EQ("libc.so.6 has no vaskor_no_such_function", library.failure());
}

TEST(SharedLibrary, ALibraryLeavesTheProcessWithItsLastHolderAndTakesItsDependenciesAlong)
{
    ASSERT_FALSE(libraryInProcess("libjack.so.0"));
    {
        SharedLibrary first("libjack.so.0");
        ASSERT_TRUE(first.isLoaded()) << first.failure();
        EXPECT_FALSE(first.wasLoadedBefore());
        {
            SharedLibrary second("libjack.so.0");
            EXPECT_TRUE(second.wasLoadedBefore());
        }
        EXPECT_TRUE(libraryInProcess("libjack.so.0"));
        EXPECT_TRUE(libraryInProcess("libdb-5.3.so"));
    }
    EXPECT_FALSE(libraryInProcess("libjack.so.0"));
    EXPECT_FALSE(libraryInProcess("libdb-5.3.so"));
}

TEST(SharedLibrary, ALibraryKeptLoadedStaysAfterItsHolderGoes)
{
    ASSERT_FALSE(libraryInProcess("libasound.so.2"));
    {
        SharedLibrary library("libasound.so.2");
        ASSERT_TRUE(library.isLoaded()) << library.failure();
        library.keepLoaded();
    }
    EXPECT_TRUE(libraryInProcess("libasound.so.2"));
}
