// Which font files the toolkit opens before it draws the program's first text.
#pragma once

#include <string>
#include <vector>

/** One scalable font file as the system's font configuration lists it. */
struct PlatformFontFile
{
    std::string path;     // absolute
    std::string family;   // the first (primary) family name
    bool monospaced = false;
};

/**
    Every scalable font file that fontconfig knows, read from its caches (a
    few milliseconds, however many fonts are installed), in no particular
    order. Empty when fontconfig cannot be set up.
*/
std::vector<PlatformFontFile> platformFontFiles();

/**
    The folders, separated by ';', that hold every file of the families JUCE
    takes as its default sans-serif and monospaced typefaces among fonts; an
    empty string when that pick is not certain (no family of either of JUCE's
    lists by its exact name, or a folder name with a ';' or ',').

    JUCE on Linux learns the family of each font by opening every font file
    (.ttf, .otf, .pfb, .pcf) in the folders of fonts.conf when it draws its
    first text, and takes its defaults from fixed lists of preferred family
    names; a family of exactly a listed name wins at once. Pointed at these
    folders only, it resolves the same typefaces, every style included.
*/
std::string platformUsedFontFolders(const std::vector<PlatformFontFile>& fonts);

/**
    Spares the program the opening of every font file of the system: points
    JUCE (JUCE_FONT_PATH) at platformUsedFontFolders of the system's fonts.
    Leaves the scan whole when the pick is not certain or the environment
    already configures fonts (JUCE_FONT_PATH, or a fontconfig configuration of
    the user's own). The program draws only with JUCE's default sans-serif and
    monospaced typefaces. Called before the toolkit draws any text.
*/
void platformLimitFontScan();
