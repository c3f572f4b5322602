// The multimedia MIDI operations of the platform layer, under their Windows
// names, over the MIDI backend chosen for the process (ALSA sequencer, JACK,
// or none; tests install the in-memory backend, see MidiBackendChoice.h).
//
// What callers can rely on:
// - Answers: 0 (MMSYSERR_NOERROR) on success, 5 (MMSYSERR_INVALHANDLE) for a
//   handle that is not open (also one whose close has returned), 2 for a
//   device id out of range, 11 for a bad argument (a header size other than
//   sizeof(MIDIHDR), a null header), 64 for a header that is not prepared,
//   65 for a header still in the backend's queue, 68 when the device of an
//   open handle has vanished.
// - Device ids are positions in the backend's current list of the kind,
//   oldest first: a new device never moves the ids of existing ones.
//   MIDI_MAPPER (-1, as UINT or as UINT_PTR) opens output device 0, whatever it
//   is at the time; its caps product name is "MIDI Mapper"; it has no
//   interface path.
// - Product names hold at most 31 bytes (cut on a UTF-8 character boundary).
// - midiOutMessage / midiInMessage with the device id in place of the handle:
//   DRV_QUERYDEVICEINTERFACESIZE stores into *(ULONG*)param1 the size in
//   bytes of the interface path as NUL-terminated UTF-16;
//   DRV_QUERYDEVICEINTERFACE writes that path into the WCHAR buffer param1 of
//   param2 bytes. The path is a stable identity of the device within its
//   backend; it never starts with the USB prefix.
// - Callbacks (CALLBACK_FUNCTION) run on the front's callback thread, never on
//   the caller's stack: MOM_OPEN / MIM_OPEN after the open, MOM_DONE for every
//   long message the backend took (param1 = the header; MHDR_DONE set,
//   MHDR_INQUEUE cleared), MIM_DATA (param1 = the packed short message,
//   param2 = milliseconds since midiInStart), MIM_LONGDATA for every input
//   buffer that comes back (param1 = the header, its dwBytesRecorded set).
//   Callbacks of one handle run in the order they were raised.
// - MOM_CLOSE / MIM_CLOSE is delivered once per handle: when its device
//   vanishes (the handle stays valid until it is closed; long messages on it
//   are refused with 68) or else at the close.
// - midiOutClose / midiInClose return every header the backend still holds
//   (MOM_DONE / MIM_LONGDATA), then deliver the close message, and only then
//   return; afterwards no callback of that handle runs and the front never
//   touches its headers again. A close called from a callback runs the
//   remaining callbacks of that handle before it returns (no deadlock).
// - midiOutLongMsg has copied the data, or is done with it, before MOM_DONE.
//   A message the backend cannot take whole is refused, never split.
// - midiInReset returns every queued input buffer (MIM_LONGDATA delivered)
//   before it returns; midiInStop returns the buffer a SysEx is filling.
// - Error texts: a readable text per known code; an unknown code makes the
//   error-text call fail (MMSYSERR_BADERRNUM, empty text). When the calling
//   thread's last failed call carried a backend's explanation, the text of
//   that code ends with it.
#pragma once

#include "PlatformTypes.h"

typedef struct PlatformMidiOut* HMIDIOUT;
typedef struct PlatformMidiIn* HMIDIIN;
typedef HMIDIOUT* LPHMIDIOUT;
typedef HMIDIIN* LPHMIDIIN;
typedef UINT MMVERSION;

/** The callbacks of the two kinds, as midiOutOpen / midiInOpen take them
    (passed as DWORD_PTR with CALLBACK_FUNCTION). */
typedef void(CALLBACK* MIDIOUTPROC)(HMIDIOUT handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                     DWORD_PTR param2);
typedef void(CALLBACK* MIDIINPROC)(HMIDIIN handle, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                                    DWORD_PTR param2);

/** The buffer header of long messages and SysEx input: 64 bytes in this
    64-bit build, passed with its size to every call that takes it. */
struct MIDIHDR
{
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwOffset;
    MIDIHDR* lpNext;
    DWORD_PTR reserved;
    DWORD_PTR dwReserved[2];
};
typedef MIDIHDR* LPMIDIHDR;
static_assert(sizeof(MIDIHDR) == 64, "MIDIHDR is 64 bytes");

#define MAXPNAMELEN 32

/** Output capabilities (52 bytes). */
struct MIDIOUTCAPSA
{
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    WORD wTechnology;
    WORD wVoices;
    WORD wNotes;
    WORD wChannelMask;
    DWORD dwSupport;
};
typedef MIDIOUTCAPSA* LPMIDIOUTCAPSA;
static_assert(sizeof(MIDIOUTCAPSA) == 52, "MIDIOUTCAPSA is 52 bytes");

/** Input capabilities (44 bytes). */
struct MIDIINCAPSA
{
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    CHAR szPname[MAXPNAMELEN];
    DWORD dwSupport;
};
typedef MIDIINCAPSA* LPMIDIINCAPSA;
static_assert(sizeof(MIDIINCAPSA) == 44, "MIDIINCAPSA is 44 bytes");

// Answers.
#define MMSYSERR_NOERROR 0u
#define MMSYSERR_ERROR 1u
#define MMSYSERR_BADDEVICEID 2u
#define MMSYSERR_NOTENABLED 3u
#define MMSYSERR_ALLOCATED 4u
#define MMSYSERR_INVALHANDLE 5u
#define MMSYSERR_NODRIVER 6u
#define MMSYSERR_NOMEM 7u
#define MMSYSERR_NOTSUPPORTED 8u
#define MMSYSERR_BADERRNUM 9u
#define MMSYSERR_INVALFLAG 10u
#define MMSYSERR_INVALPARAM 11u
#define MMSYSERR_HANDLEBUSY 12u
#define MIDIERR_UNPREPARED 64u
#define MIDIERR_STILLPLAYING 65u
#define MIDIERR_NOMAP 66u
#define MIDIERR_NOTREADY 67u
#define MIDIERR_NODEVICE 68u
#define MIDIERR_INVALIDSETUP 69u
#define MIDIERR_BADOPENMODE 70u
#define MIDIERR_DONT_CONTINUE 71u

/** Longest error text, NUL included. */
#define MAXERRORLENGTH 256

#define MIDI_MAPPER ((UINT)-1)

// Open flags.
#define CALLBACK_NULL 0x00000000u
#define CALLBACK_FUNCTION 0x00030000u
#define CALLBACK_TYPEMASK 0x00070000u
#define MIDI_IO_STATUS 0x00000020u

// Callback messages.
#define MIM_OPEN 961u
#define MIM_CLOSE 962u
#define MIM_DATA 963u
#define MIM_LONGDATA 964u
#define MIM_ERROR 965u
#define MIM_LONGERROR 966u
#define MOM_OPEN 967u
#define MOM_CLOSE 968u
#define MOM_DONE 969u
#define MIM_MOREDATA 972u

// Header flags.
#define MHDR_DONE 0x00000001u
#define MHDR_PREPARED 0x00000002u
#define MHDR_INQUEUE 0x00000004u

// Capability values.
#define MOD_MIDIPORT 1u
#define MOD_MAPPER 5u

// Driver messages of midiOutMessage / midiInMessage.
#define DRV_QUERYDEVICEINTERFACE 2060u
#define DRV_QUERYDEVICEINTERFACESIZE 2061u

// Outputs.
UINT WINAPI midiOutGetNumDevs();
MMRESULT WINAPI midiOutGetDevCapsA(UINT_PTR deviceId, LPMIDIOUTCAPSA caps, UINT capsSize);
MMRESULT WINAPI midiOutOpen(LPHMIDIOUT handle, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance,
                            DWORD flags);
MMRESULT WINAPI midiOutClose(HMIDIOUT handle);
/** Sends one short message (status | data1 << 8 | data2 << 16); a message
    without a status byte answers MMSYSERR_INVALPARAM and sends nothing. */
MMRESULT WINAPI midiOutShortMsg(HMIDIOUT handle, DWORD message);
MMRESULT WINAPI midiOutPrepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize);
MMRESULT WINAPI midiOutUnprepareHeader(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize);
MMRESULT WINAPI midiOutLongMsg(HMIDIOUT handle, LPMIDIHDR header, UINT headerSize);
MMRESULT WINAPI midiOutGetErrorTextA(MMRESULT error, LPSTR text, UINT textSize);
MMRESULT WINAPI midiOutMessage(HMIDIOUT deviceId, UINT message, DWORD_PTR param1, DWORD_PTR param2);

// Inputs.
UINT WINAPI midiInGetNumDevs();
MMRESULT WINAPI midiInGetDevCapsA(UINT_PTR deviceId, LPMIDIINCAPSA caps, UINT capsSize);
MMRESULT WINAPI midiInOpen(LPHMIDIIN handle, UINT deviceId, DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
MMRESULT WINAPI midiInClose(HMIDIIN handle);
MMRESULT WINAPI midiInPrepareHeader(HMIDIIN handle, LPMIDIHDR header, UINT headerSize);
MMRESULT WINAPI midiInUnprepareHeader(HMIDIIN handle, LPMIDIHDR header, UINT headerSize);
MMRESULT WINAPI midiInAddBuffer(HMIDIIN handle, LPMIDIHDR header, UINT headerSize);
MMRESULT WINAPI midiInStart(HMIDIIN handle);
MMRESULT WINAPI midiInStop(HMIDIIN handle);
MMRESULT WINAPI midiInReset(HMIDIIN handle);
MMRESULT WINAPI midiInGetID(HMIDIIN handle, LPUINT deviceId);
MMRESULT WINAPI midiInGetErrorTextA(MMRESULT error, LPSTR text, UINT textSize);
MMRESULT WINAPI midiInMessage(HMIDIIN deviceId, UINT message, DWORD_PTR param1, DWORD_PTR param2);
