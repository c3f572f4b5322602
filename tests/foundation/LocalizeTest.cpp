#include "Localize.h"

#include "support/TStringPrinting.h"
#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace
{
// Runs the test body with the given folder as the current one.
class InFolder
{
public:
    explicit InFolder(const fs::path& folder) : m_old(fs::current_path()) { fs::current_path(folder); }
    ~InFolder() { fs::current_path(m_old); }

private:
    fs::path m_old;
};
} // namespace

TEST(Localize, TranslatesFromTheStringsSectionOfLanguageIni)
{
    TestSupport::TempDir dir;
    std::ofstream(dir.file("Language.ini")) << "[other]\nHello=Wrong\n[strings]\nHello=Hallo\nBlank=\n";
    InFolder inFolder(dir.path());

    EXPECT_EQ(Tr::localize("Hello"), "Hallo");
    EXPECT_EQ(Tr::localize("Blank"), "");
    EXPECT_EQ(Tr::localize("Unknown %s"), "Unknown %s");

    // The file is read once per run.
    std::ofstream(dir.file("Language.ini")) << "[strings]\nHello=Changed\n";
    EXPECT_EQ(Tr::localize("Hello"), "Hallo");
}

TEST(Localize, WithoutLanguageIniEveryTextStandsForItself)
{
    TestSupport::TempDir dir;
    InFolder inFolder(dir.path());
    EXPECT_EQ(Tr::localize("None"), "None");
    EXPECT_EQ(Tr::localize(""), "");
}
