// Device lists, capabilities, interface paths, error texts and the
// device-change broadcast of the multimedia MIDI front (in-memory backend).
#include "support/MidiTestSupport.h"
#include "support/DeviceChangeWindow.h"

#include <gtest/gtest.h>

#include <cstring>

using PlatformMidi::MemoryMidiBackend;

namespace
{
class MidiDevices : public ::testing::Test
{
protected:
    std::string outputName(UINT_PTR id)
    {
        MIDIOUTCAPSA caps;
        std::memset(&caps, 0x55, sizeof caps);
        const MMRESULT code = midiOutGetDevCapsA(id, &caps, sizeof caps);
        return code == MMSYSERR_NOERROR ? std::string(caps.szPname) : "error " + std::to_string(code);
    }

    /** The interface path of output id through the two messages, or the
        first failing answer. */
    std::u16string outputPath(UINT id, MMRESULT& code)
    {
        ULONG size = 0;
        code = midiOutMessage(reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(id)), DRV_QUERYDEVICEINTERFACESIZE,
                              reinterpret_cast<DWORD_PTR>(&size), 0);
        if (code != MMSYSERR_NOERROR)
            return u"";
        std::vector<char16_t> path(size / 2 + 1, u'?');
        code = midiOutMessage(reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(id)), DRV_QUERYDEVICEINTERFACE,
                              reinterpret_cast<DWORD_PTR>(path.data()), size);
        EXPECT_EQ(u'\0', path[size / 2 - 1]);
        return path.data();
    }

    TestSupport::ScopedMidiBackend<> backend;
};
} // namespace

TEST_F(MidiDevices, ProductNamesAreCutTo31BytesOnACharacterBoundary)
{
    struct Case
    {
        std::string name;
        std::string caps;
    };
    const std::string e = "\xC3\xA9"; // two bytes
    const std::string note = "\xE2\x99\xAA"; // three bytes
    const Case cases[] = {
        {"Vaskor MIDI 5", "Vaskor MIDI 5"},
        {std::string(31, 'a'), std::string(31, 'a')},
        {std::string(40, 'b'), std::string(31, 'b')},
        {std::string(30, 'c') + e, std::string(30, 'c')},
        {std::string(29, 'd') + e + "x", std::string(29, 'd') + e},
        {std::string(29, 'f') + note, std::string(29, 'f')},
        {"", ""},
    };
    for (const Case& each : cases)
    {
        const int output = backend->addOutput(each.name);
        const int input = backend->addInput(each.name);
        EXPECT_EQ(each.caps, outputName(midiOutGetNumDevs() - 1)) << each.name;
        MIDIINCAPSA caps;
        ASSERT_EQ(MMSYSERR_NOERROR, midiInGetDevCapsA(midiInGetNumDevs() - 1, &caps, sizeof caps));
        EXPECT_EQ(each.caps, caps.szPname);
        backend->remove(output);
        backend->remove(input);
    }
}

TEST_F(MidiDevices, MapperIdAnswersTheMapperNameAndHasNoPath)
{
    backend->addOutput("Synth");
    EXPECT_EQ("MIDI Mapper", outputName(MIDI_MAPPER));
    EXPECT_EQ("MIDI Mapper", outputName(static_cast<UINT_PTR>(-1)));
    MIDIOUTCAPSA caps;
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutGetDevCapsA(MIDI_MAPPER, &caps, sizeof caps));
    EXPECT_EQ(MOD_MAPPER, caps.wTechnology);
    ULONG size = 0;
    EXPECT_NE(MMSYSERR_NOERROR, midiOutMessage(reinterpret_cast<HMIDIOUT>(static_cast<UINT_PTR>(-1)),
                                               DRV_QUERYDEVICEINTERFACESIZE, reinterpret_cast<DWORD_PTR>(&size), 0));
}

TEST_F(MidiDevices, IdsArePositionsOldestFirstSoNewDevicesNeverMoveOthers)
{
    const int a = backend->addOutput("A");
    backend->addOutput("B");
    EXPECT_EQ(2u, midiOutGetNumDevs());
    backend->addOutput("C");
    EXPECT_EQ("A", outputName(0));
    EXPECT_EQ("B", outputName(1));
    EXPECT_EQ("C", outputName(2));
    backend->remove(a);
    EXPECT_EQ("B", outputName(0));
    EXPECT_EQ("C", outputName(1));
    EXPECT_EQ("error 2", outputName(2));
    EXPECT_EQ(0u, midiInGetNumDevs());
    MIDIINCAPSA caps;
    EXPECT_EQ(MMSYSERR_BADDEVICEID, midiInGetDevCapsA(0, &caps, sizeof caps));
    EXPECT_EQ(MMSYSERR_INVALPARAM, midiOutGetDevCapsA(0, nullptr, sizeof caps));
}

TEST_F(MidiDevices, ScriptedCapsFailureAnswersItsCodeAndCountsTheQuery)
{
    const int device = backend->addOutput("Synth");
    backend->failCaps(device, MMSYSERR_NODRIVER);
    EXPECT_EQ("error 6", outputName(0));
    backend->failCaps(device, MMSYSERR_NOERROR);
    EXPECT_EQ("Synth", outputName(0));
    EXPECT_EQ(2u, backend->capsQueries(device));
    backend->rename(device, "Renamed");
    EXPECT_EQ("Renamed", outputName(0));
}

TEST_F(MidiDevices, InterfacePathComesAsNulTerminatedUtf16WithItsSizeInBytes)
{
    struct Case
    {
        std::string path;
        std::u16string wide;
    };
    const Case cases[] = {{"jack:peer:in", u"jack:peer:in"},
                          {"alsa:Caf\xC3\xA9:port", u"alsa:Caf\u00E9:port"},
                          {"x\xF0\x9F\x8E\xB9", u"x\U0001F3B9"},
                          {"bad\xFF", u"bad\uFFFD"},
                          {"", u""}};
    for (const Case& each : cases)
    {
        const int device = backend->addOutput("Synth", each.path);
        MMRESULT code;
        EXPECT_EQ(each.wide, outputPath(midiOutGetNumDevs() - 1, code));
        EXPECT_EQ(MMSYSERR_NOERROR, code);
        backend->remove(device);
    }
}

TEST_F(MidiDevices, InterfacePathMessagesRefuseSmallBuffersAndPassScriptedAnswers)
{
    const int device = backend->addOutput("Synth", "memory:synth");
    std::vector<char16_t> small(4);
    EXPECT_EQ(MMSYSERR_INVALPARAM, midiOutMessage(nullptr, DRV_QUERYDEVICEINTERFACE,
                                                  reinterpret_cast<DWORD_PTR>(small.data()), 8));
    EXPECT_EQ(MMSYSERR_INVALPARAM, midiOutMessage(nullptr, DRV_QUERYDEVICEINTERFACESIZE, 0, 0));
    EXPECT_EQ(MMSYSERR_NOTSUPPORTED, midiOutMessage(nullptr, 1234, 0, 0));
    ULONG size = 0;
    EXPECT_EQ(MMSYSERR_BADDEVICEID, midiInMessage(nullptr, DRV_QUERYDEVICEINTERFACESIZE,
                                                  reinterpret_cast<DWORD_PTR>(&size), 0));

    backend->answerPathSize(device, MMSYSERR_NOERROR, 10000);
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutMessage(nullptr, DRV_QUERYDEVICEINTERFACESIZE,
                                               reinterpret_cast<DWORD_PTR>(&size), 0));
    EXPECT_EQ(10000u, size);
    backend->answerPathSize(device, MMSYSERR_NOTSUPPORTED, 0);
    EXPECT_EQ(MMSYSERR_NOTSUPPORTED, midiOutMessage(nullptr, DRV_QUERYDEVICEINTERFACESIZE,
                                                    reinterpret_cast<DWORD_PTR>(&size), 0));
    backend->failPath(device, MMSYSERR_ERROR);
    std::vector<char16_t> path(64);
    EXPECT_EQ(MMSYSERR_ERROR, midiOutMessage(nullptr, DRV_QUERYDEVICEINTERFACE,
                                             reinterpret_cast<DWORD_PTR>(path.data()), 128));
    EXPECT_EQ(2u, backend->pathSizeQueries(device));
    EXPECT_EQ(2u, backend->pathQueries(device));
}

TEST_F(MidiDevices, ErrorTextsAreReadableAndAnUnknownCodeFails)
{
    const MMRESULT known[] = {MMSYSERR_NOERROR,  MMSYSERR_ERROR,      MMSYSERR_BADDEVICEID, MMSYSERR_ALLOCATED,
                              MMSYSERR_INVALHANDLE, MMSYSERR_NODRIVER, MMSYSERR_NOMEM,      MMSYSERR_INVALPARAM,
                              MIDIERR_UNPREPARED, MIDIERR_STILLPLAYING, MIDIERR_NOTREADY,   MIDIERR_NODEVICE};
    for (MMRESULT code : known)
    {
        char text[MAXERRORLENGTH] = "unchanged";
        EXPECT_EQ(MMSYSERR_NOERROR, midiOutGetErrorTextA(code, text, sizeof text)) << code;
        EXPECT_GT(std::strlen(text), 10u) << code;
        EXPECT_NE(std::string("unchanged"), text);
        char input[MAXERRORLENGTH];
        EXPECT_EQ(MMSYSERR_NOERROR, midiInGetErrorTextA(code, input, sizeof input));
        EXPECT_STREQ(text, input);
    }
    char text[MAXERRORLENGTH] = "unchanged";
    EXPECT_EQ(MMSYSERR_BADERRNUM, midiOutGetErrorTextA(1234, text, sizeof text));
    EXPECT_STREQ("", text);
    EXPECT_EQ(MMSYSERR_BADERRNUM, midiInGetErrorTextA(63, text, sizeof text));
    EXPECT_EQ(MMSYSERR_INVALPARAM, midiOutGetErrorTextA(MMSYSERR_ERROR, nullptr, 10));
    char tiny[6];
    EXPECT_EQ(MMSYSERR_NOERROR, midiOutGetErrorTextA(MIDIERR_NODEVICE, tiny, sizeof tiny));
    EXPECT_EQ(5u, std::strlen(tiny));
}

TEST_F(MidiDevices, ErrorTextOfAFailedOpenCarriesTheBackendsExplanation)
{
    const int device = backend->addOutput("Synth");
    backend->failOpen(device, MMSYSERR_ALLOCATED, MemoryMidiBackend::OpenFailure::noHandle, "(held by another program)");
    HMIDIOUT handle;
    ASSERT_EQ(MMSYSERR_ALLOCATED, midiOutOpen(&handle, 0, 0, 0, CALLBACK_NULL));
    char text[MAXERRORLENGTH];
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutGetErrorTextA(MMSYSERR_ALLOCATED, text, sizeof text));
    EXPECT_EQ("The MIDI device is already in use. (held by another program)", std::string(text));
    ASSERT_EQ(MMSYSERR_NOERROR, midiOutGetErrorTextA(MMSYSERR_NODRIVER, text, sizeof text));
    EXPECT_EQ(std::string::npos, std::string(text).find("another program"));
}

TEST_F(MidiDevices, AddingRenamingAndRemovingDevicesReachesMessageWindows)
{
    TestSupport::DeviceChangeWindow windows;
    const int device = backend->addOutput("Synth");
    EXPECT_TRUE(TestSupport::waitFor([&] { return windows.deviceChanges() == 1; }));
    backend->rename(device, "Other");
    EXPECT_TRUE(TestSupport::waitFor([&] { return windows.deviceChanges() == 2; }));
    backend->remove(device);
    backend->addInput("Keyboard");
    EXPECT_TRUE(TestSupport::waitFor([&] { return windows.deviceChanges() == 4; }));
}
