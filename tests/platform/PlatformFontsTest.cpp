#include "gui/PlatformFonts.h"

#include <juce_graphics/juce_graphics.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
const PlatformFontFile dejaVuSans{"/fonts/dejavu/DejaVuSans.ttf", "DejaVu Sans", false};
const PlatformFontFile dejaVuSansBold{"/fonts/dejavu-bold/DejaVuSans-Bold.ttf", "DejaVu Sans", false};
const PlatformFontFile dejaVuMono{"/fonts/mono/DejaVuSansMono.ttf", "DejaVu Sans Mono", true};
const PlatformFontFile nimbusSans{"/fonts/urw/NimbusSans-Regular.otf", "Nimbus Sans", false};
const PlatformFontFile liberationSans{"/fonts/liberation/LiberationSans-Regular.ttf", "Liberation Sans", false};
const PlatformFontFile liberationMono{"/fonts/liberation-mono/LiberationMono-Regular.ttf", "Liberation Mono", true};

/** The default sans-serif and monospaced typefaces JUCE resolves (family and
    style, plain and bold), one per line. */
std::string resolvedTypefaces()
{
    std::string text;
    for (const juce::String& name : {juce::Font::getDefaultSansSerifFontName(), juce::Font::getDefaultMonospacedFontName()})
        for (const int style : {juce::Font::plain, juce::Font::bold, juce::Font::italic})
        {
            const juce::Typeface::Ptr typeface = juce::Font(name, 13.0f, style).getTypefacePtr();
            text += (typeface == nullptr ? juce::String("<none>") : typeface->getName() + " " + typeface->getStyle())
                        .toStdString() + "\n";
        }
    return text;
}

/** resolvedTypefaces in a child process with JUCE's font scan left whole. */
std::string resolvedTypefacesOfTheWholeScan()
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "<no pipe>";
    const pid_t child = ::fork();
    if (child == 0)
    {
        ::close(fds[0]);
        ::unsetenv("JUCE_FONT_PATH");
        const std::string text = resolvedTypefaces();
        const bool written = ::write(fds[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 1);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "<child failed>";
}
} // namespace

TEST(PlatformFonts, UsedFoldersHoldEveryFileOfTheTwoDefaultFamiliesOnly)
{
    const struct
    {
        const char* name;
        std::vector<PlatformFontFile> fonts;
        std::string folders;
    } cases[] = {
        {"every style's folder, no other family's",
         {nimbusSans, dejaVuSansBold, dejaVuMono, dejaVuSans},
         "/fonts/dejavu;/fonts/dejavu-bold;/fonts/mono"},
        {"an earlier preferred name wins",
         {dejaVuSans, liberationSans, liberationMono, dejaVuMono},
         "/fonts/liberation;/fonts/mono"},
        {"names match whatever their case, and so do extensions",
         {{"/f/a/x.TTF", "dejavu sans", false}, {"/f/b/y.Otf", "DEJAVU SANS MONO", true}},
         "/f/a;/f/b"},
        {"files JUCE does not open do not count",
         {{"/f/verdana/verdana.ttc", "Verdana", false}, {"/f/lib/LiberationSans.woff", "Liberation Sans", false},
          dejaVuSans, dejaVuMono},
         "/fonts/dejavu;/fonts/mono"},
        {"a monospaced family counts only with a monospaced font",
         {dejaVuSans, {"/f/odd/DejaVuSansMono.ttf", "DejaVu Sans Mono", false}, liberationMono},
         "/fonts/dejavu;/fonts/liberation-mono"},
        {"no sans-serif family of the list by its exact name", {nimbusSans, dejaVuMono}, ""},
        {"no monospaced family of the list", {dejaVuSans, {"/f/m/Nimbus.otf", "Nimbus Mono PS", true}}, ""},
        {"a folder JUCE_FONT_PATH cannot hold", {{"/f/a;b/x.ttf", "DejaVu Sans", false}, dejaVuMono}, ""},
        {"a comma separates as well", {dejaVuSans, {"/f/a,b/x.ttf", "DejaVu Sans Mono", true}}, ""},
        {"no fonts at all", {}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platformUsedFontFolders(c.fonts), c.folders) << c.name;
}

TEST(PlatformFonts, TheSystemsFontsAreListedWithTheirFamilies)
{
    const std::vector<PlatformFontFile> fonts = platformFontFiles();
    ASSERT_FALSE(fonts.empty()) << "fontconfig lists no fonts (the suite installs fonts-dejavu-core)";
    bool monospacedDejaVu = false;
    for (const PlatformFontFile& font : fonts)
    {
        EXPECT_EQ(font.path.rfind('/', 0), 0u) << font.path;
        EXPECT_FALSE(font.family.empty()) << font.path;
        monospacedDejaVu = monospacedDejaVu || (font.family == "DejaVu Sans Mono" && font.monospaced);
    }
    EXPECT_TRUE(monospacedDejaVu);
}

TEST(PlatformFonts, JuceResolvesTheSameTypefacesFromTheUsedFoldersAsFromAllFonts)
{
    const std::string whole = resolvedTypefacesOfTheWholeScan();
    ::unsetenv("JUCE_FONT_PATH");
    platformLimitFontScan();
    const char* limited = std::getenv("JUCE_FONT_PATH");
    ASSERT_NE(limited, nullptr) << "the scan was not limited on this system";
    EXPECT_EQ(resolvedTypefaces(), whole) << "JUCE_FONT_PATH=" << limited;
    std::printf("JUCE_FONT_PATH=%s resolves:\n%s", limited, whole.c_str());
}

TEST(PlatformFonts, AFontConfigurationOfTheUsersOwnIsLeftAlone)
{
    for (const char* name : {"JUCE_FONT_PATH", "FONTCONFIG_FILE", "FONTCONFIG_PATH"})
    {
        ::unsetenv("JUCE_FONT_PATH");
        ::setenv(name, "/users/own", 1);
        platformLimitFontScan();
        const char* path = std::getenv("JUCE_FONT_PATH");
        EXPECT_EQ(std::string(path == nullptr ? "<unset>" : path),
                  std::string(name) == "JUCE_FONT_PATH" ? "/users/own" : "<unset>")
            << name;
        ::unsetenv(name);
    }
}
