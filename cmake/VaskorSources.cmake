# The sources of each layer's library, found here once for the main build
# (the layers' CMakeLists.txt) and for the fuzzers (tests/fuzz), which build
# them again with clang in a project of their own, without JUCE.
get_filename_component(VASKOR_SOURCE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

file(GLOB VASKOR_FOUNDATION_SOURCES CONFIGURE_DEPENDS ${VASKOR_SOURCE_ROOT}/foundation/*.cpp)
# The platform layer's sources may live in subfolders (one per group).
file(GLOB_RECURSE VASKOR_PLATFORM_SOURCES CONFIGURE_DEPENDS ${VASKOR_SOURCE_ROOT}/platform/*.cpp)
file(GLOB_RECURSE VASKOR_MIDI_SOURCES CONFIGURE_DEPENDS ${VASKOR_SOURCE_ROOT}/midi/*.cpp)
# Everything of the program but its entry point.
file(GLOB VASKOR_APP_SOURCES CONFIGURE_DEPENDS ${VASKOR_SOURCE_ROOT}/app/*.cpp)
list(FILTER VASKOR_APP_SOURCES EXCLUDE REGEX "/main\\.cpp$")

# What builds without JUCE: the foundation, platform and MIDI layers but their
# sources on JUCE's timer and on the resources JUCE embeds, and the program's
# rules of the bank. The fuzzers stand on these alone, and so do their seed
# runs in the main build (tests/fuzz), so a source missing here fails the suite.
set(VASKOR_JUCE_FREE_SOURCES
    ${VASKOR_FOUNDATION_SOURCES} ${VASKOR_PLATFORM_SOURCES} ${VASKOR_MIDI_SOURCES}
    ${VASKOR_SOURCE_ROOT}/app/TemplateBank.cpp)
list(REMOVE_ITEM VASKOR_JUCE_FREE_SOURCES
    ${VASKOR_SOURCE_ROOT}/foundation/JuceTimer.cpp
    ${VASKOR_SOURCE_ROOT}/foundation/ResourceData.cpp
    ${VASKOR_SOURCE_ROOT}/platform/resources/PlatformResources.cpp)
