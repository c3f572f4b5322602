// The in-memory MIDI backend that tests install in place of a real one.
#pragma once

#include "midi/MidiBackend.h"

#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace PlatformMidi
{
/**
    MIDI devices that live in memory, for tests of the code above the
    multimedia front: tests add, rename and remove outputs and inputs at run
    time (each change broadcasts WM_DEVICECHANGE), script the answers of each
    device (caps and interface-path failures, open failures with or without a
    handle, refused long messages, when completions come), read back every
    message a device received, and feed bytes to open inputs.

    Devices are named by the key that addOutput / addInput answer (never
    reused); their device id is their position among the present devices of
    their kind. Every operation may be called from any thread.
*/
class MemoryMidiBackend final : public MidiBackend
{
public:
    /** When the MOM_DONE of an accepted long message comes. */
    enum class Completion
    {
        immediate,    ///< raised at once; runs on the callback thread, usually after midiOutLongMsg returned
        beforeReturn, ///< has run when midiOutLongMsg returns (before the sender can list its header)
        held          ///< waits for releaseCompletions
    };
    /** What a scripted failed open hands back besides its code. */
    enum class OpenFailure
    {
        noHandle,      ///< no handle (null)
        workingHandle, ///< a handle that works as after a successful open
        invalidHandle  ///< a non-null handle that every call answers with 5
    };
    /** One message a device received, whole. */
    struct Message
    {
        bool isLong;
        std::vector<BYTE> bytes;
    };

    MemoryMidiBackend();
    ~MemoryMidiBackend() override;

    // Devices.
    int addOutput(const std::string& name, const std::string& interfacePath = std::string());
    int addInput(const std::string& name, const std::string& interfacePath = std::string());
    void rename(int device, const std::string& name);
    /** The device goes away: its open handles get MOM_CLOSE / MIM_CLOSE and
        refuse long messages from now on. */
    void remove(int device);

    // Scripted answers (a code of 0 takes the script back).
    void failCaps(int device, MMRESULT code);
    void setInterfacePath(int device, const std::string& path);
    /** The size message (2061) answers code and, when code is 0, size. */
    void answerPathSize(int device, MMRESULT code, ULONG size);
    /** The path message (2060) answers code. */
    void failPath(int device, MMRESULT code);
    void failOpen(int device, MMRESULT code, OpenFailure handle = OpenFailure::noHandle,
                  const std::string& detail = std::string());
    /** Every long message is refused with code. */
    void refuseLongMessages(int device, MMRESULT code);
    /** The number-th long message ever offered to the device (from 1) is
        refused with code. */
    void refuseLongMessage(int device, unsigned number, MMRESULT code);
    void setCompletion(int device, Completion completion);
    /** Inputs: every buffer offered (midiInAddBuffer) is refused with code. */
    void failInputBuffers(int device, MMRESULT code);
    /** Inputs: every start (midiInStart) is refused with code. */
    void failInputStart(int device, MMRESULT code);
    /** Completes up to count held long messages of the device, oldest first;
        answers how many. */
    size_t releaseCompletions(int device, size_t count = SIZE_MAX);
    size_t heldCompletions(int device) const;

    // What happened.
    std::vector<Message> received(int device) const;
    void clearReceived(int device);
    unsigned capsQueries(int device) const;
    unsigned pathSizeQueries(int device) const;
    unsigned pathQueries(int device) const;
    unsigned openConnections(int device) const;
    /** Inputs: how often an open handle of the device was reset. */
    unsigned inputResets(int device) const;

    // Input.
    /** Hands bytes to every open handle of the input device (they arrive as
        from the device: short messages, SysEx, in any pieces); false when
        none is open. */
    bool feed(int device, const std::vector<BYTE>& bytes);
    bool feedShort(int device, DWORD packed);

    // MidiBackend.
    std::string name() const override { return "memory"; }
    UINT deviceCount(DeviceKind kind) override;
    MMRESULT productName(DeviceKind kind, UINT id, std::string& name) override;
    MMRESULT interfacePath(DeviceKind kind, UINT id, std::string& path) override;
    MMRESULT interfacePathSize(DeviceKind kind, UINT id, ULONG& bytes) override;
    OutputOpenOutcome openOutput(UINT id, const std::shared_ptr<OutputClient>& client) override;
    InputOpenOutcome openInput(UINT id, const std::shared_ptr<InputClient>& client) override;

    struct Device;
    struct State;

private:
    int add(DeviceKind kind, const std::string& name, const std::string& interfacePath);

    std::shared_ptr<State> state_;
};
} // namespace PlatformMidi
