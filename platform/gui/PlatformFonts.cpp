#include "PlatformFonts.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <set>

namespace
{
// JUCE's preferred default families on Linux, best first
// (juce_linux_Fonts.cpp, JUCE 7).
const char* const sansSerifPreference[] = {"Verdana", "Bitstream Vera Sans", "Luxi Sans", "Liberation Sans",
                                           "DejaVu Sans", "Sans"};
const char* const monospacedPreference[] = {"DejaVu Sans Mono", "Bitstream Vera Sans Mono", "Sans Mono",
                                            "Liberation Mono", "Courier", "DejaVu Mono", "Mono"};

// Environment variables that make JUCE or fontconfig look at other fonts.
const char* const fontEnvironment[] = {"JUCE_FONT_PATH", "FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT"};

/** libfontconfig, loaded for one listing and unloaded with everything it
    loaded and touched, so that the program's resident set does not keep it.
    Its global state is freed first (FcFini), unless someone else in the
    process had loaded it already and may still use it. */
class Fontconfig
{
public:
    Fontconfig()
        : loadedBefore(isLoaded()),
          handle(dlopen(libraryName, RTLD_LAZY | RTLD_LOCAL))
    {
    }
    ~Fontconfig()
    {
        if (handle == nullptr)
            return;
        if (!loadedBefore)
            if (const auto finish = get<decltype(FcFini)>("FcFini"))
                finish();
        dlclose(handle);
    }
    Fontconfig(const Fontconfig&) = delete;
    Fontconfig& operator=(const Fontconfig&) = delete;

    /** The function of that name, or null. */
    template <typename Function>
    Function* get(const char* name) const
    {
        return handle == nullptr ? nullptr : reinterpret_cast<Function*>(dlsym(handle, name));
    }

private:
    static constexpr const char* libraryName = "libfontconfig.so.1";

    static bool isLoaded()
    {
        void* loaded = dlopen(libraryName, RTLD_LAZY | RTLD_NOLOAD);
        if (loaded != nullptr)
            dlclose(loaded);
        return loaded != nullptr;
    }

    const bool loadedBefore;
    void* const handle;
};

/** The scalable fonts of one fontconfig listing. */
std::vector<PlatformFontFile> scalableFonts(const FcFontSet& fonts, const Fontconfig& library)
{
    const auto getString = library.get<decltype(FcPatternGetString)>("FcPatternGetString");
    const auto getBool = library.get<decltype(FcPatternGetBool)>("FcPatternGetBool");
    const auto getInteger = library.get<decltype(FcPatternGetInteger)>("FcPatternGetInteger");
    if (getString == nullptr || getBool == nullptr || getInteger == nullptr)
        return {};
    std::vector<PlatformFontFile> files;
    files.reserve(static_cast<size_t>(fonts.nfont));
    for (int i = 0; i < fonts.nfont; ++i)
    {
        FcPattern* font = fonts.fonts[i];
        FcChar8* path = nullptr;
        FcChar8* family = nullptr;
        FcBool outline = FcFalse;
        int spacing = FC_PROPORTIONAL;
        if (getString(font, FC_FILE, 0, &path) != FcResultMatch || getString(font, FC_FAMILY, 0, &family) != FcResultMatch
            || getBool(font, FC_OUTLINE, 0, &outline) != FcResultMatch || !outline)
            continue;
        getInteger(font, FC_SPACING, 0, &spacing);
        files.push_back({reinterpret_cast<const char*>(path), reinterpret_cast<const char*>(family),
                         spacing == FC_MONO || spacing == FC_CHARCELL});
    }
    return files;
}

bool sameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size()
           && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                  return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
              });
}

/** Whether JUCE opens the file when it scans a folder (by its extension). */
bool scannedByJuce(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos)
        return false;
    const std::string extension = path.substr(dot + 1);
    return sameName(extension, "ttf") || sameName(extension, "otf") || sameName(extension, "pfb")
           || sameName(extension, "pcf");
}

/** The first preferred name that a family among the fonts has (only
    monospaced fonts count when monospaced is set); empty when none has. */
template <size_t n>
std::string firstPreferred(const std::vector<PlatformFontFile>& fonts, const char* const (&preference)[n],
                           bool monospaced)
{
    for (const char* name : preference)
        for (const PlatformFontFile& font : fonts)
            if ((font.monospaced || !monospaced) && sameName(font.family, name))
                return name;
    return {};
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
}
} // namespace

std::vector<PlatformFontFile> platformFontFiles()
{
    const Fontconfig library;
    const auto loadConfig = library.get<decltype(FcInitLoadConfigAndFonts)>("FcInitLoadConfigAndFonts");
    const auto destroyConfig = library.get<decltype(FcConfigDestroy)>("FcConfigDestroy");
    const auto createPattern = library.get<decltype(FcPatternCreate)>("FcPatternCreate");
    const auto destroyPattern = library.get<decltype(FcPatternDestroy)>("FcPatternDestroy");
    const auto buildObjectSet = library.get<decltype(FcObjectSetBuild)>("FcObjectSetBuild");
    const auto destroyObjectSet = library.get<decltype(FcObjectSetDestroy)>("FcObjectSetDestroy");
    const auto listFonts = library.get<decltype(FcFontList)>("FcFontList");
    const auto destroyFontSet = library.get<decltype(FcFontSetDestroy)>("FcFontSetDestroy");
    if (loadConfig == nullptr || destroyConfig == nullptr || createPattern == nullptr || destroyPattern == nullptr
        || buildObjectSet == nullptr || destroyObjectSet == nullptr || listFonts == nullptr || destroyFontSet == nullptr)
        return {};

    // A configuration of our own, so that everything it loaded goes with it.
    const std::unique_ptr<FcConfig, decltype(destroyConfig)> config(loadConfig(), destroyConfig);
    const std::unique_ptr<FcPattern, decltype(destroyPattern)> pattern(createPattern(), destroyPattern);
    const std::unique_ptr<FcObjectSet, decltype(destroyObjectSet)> objects(
        buildObjectSet(FC_FILE, FC_FAMILY, FC_SPACING, FC_OUTLINE, nullptr), destroyObjectSet);
    if (config == nullptr || pattern == nullptr || objects == nullptr)
        return {};
    const std::unique_ptr<FcFontSet, decltype(destroyFontSet)> fonts(
        listFonts(config.get(), pattern.get(), objects.get()), destroyFontSet);
    return fonts == nullptr ? std::vector<PlatformFontFile>() : scalableFonts(*fonts, library);
}

std::string platformUsedFontFolders(const std::vector<PlatformFontFile>& allFonts)
{
    std::vector<PlatformFontFile> fonts;
    std::copy_if(allFonts.begin(), allFonts.end(), std::back_inserter(fonts),
                 [](const PlatformFontFile& font) { return scannedByJuce(font.path); });
    const std::string sansSerif = firstPreferred(fonts, sansSerifPreference, false);
    const std::string monospaced = firstPreferred(fonts, monospacedPreference, true);
    if (sansSerif.empty() || monospaced.empty())
        return {};

    std::set<std::string> folders;
    for (const PlatformFontFile& font : fonts)
        if (sameName(font.family, sansSerif) || sameName(font.family, monospaced))
            folders.insert(folderOf(font.path));
    std::string list;
    for (const std::string& folder : folders)
    {
        // JUCE splits the list at both.
        if (folder.find_first_of(";,") != std::string::npos)
            return {};
        list += (list.empty() ? "" : ";") + folder;
    }
    return list;
}

void platformLimitFontScan()
{
    for (const char* name : fontEnvironment)
        if (std::getenv(name) != nullptr)
            return;
    const std::string folders = platformUsedFontFolders(platformFontFiles());
    if (!folders.empty())
        ::setenv("JUCE_FONT_PATH", folders.c_str(), 1);
}
