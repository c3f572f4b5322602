// The ALSA sequencer for tests: whether the kernel's sequencer is there
// (skip, or fail when the run requires it), and the peers nobody here wrote,
// run as processes of alsa-utils: `amidi` on the raw side of a VirMIDI
// interface (snd-virmidi: the sequencer port "VirMIDI 0-n" and the raw
// device hw:0,n are its two ends) and `aseqdump`, a sequencer client that
// prints every event it receives, one line each.
#pragma once

#include "TempDir.h"
#include "WaitFor.h"
#include "midi/MidiBackend.h"

#include <cctype>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace TestSupport
{
/** True when the run needs the sequencer (scripts/test runs these tests
    inside the machine that has one) and every ALSA test must run. */
inline bool alsaSequencerRequired()
{
    const char* required = std::getenv("VASKOR_REQUIRE_ALSA");
    return required != nullptr && std::string(required) == "1";
}

inline bool alsaSequencerPresent()
{
    struct stat info;
    return ::stat("/dev/snd/seq", &info) == 0;
}

/** The identities (interface paths) of the backend's devices of the kind,
    in device id order. */
inline std::vector<std::string> deviceIdentities(PlatformMidi::MidiBackend& backend, PlatformMidi::DeviceKind kind)
{
    std::vector<std::string> listed;
    for (UINT id = 0; id < backend.deviceCount(kind); ++id)
    {
        std::string path;
        if (backend.interfacePath(kind, id, path) == MMSYSERR_NOERROR)
            listed.push_back(path);
    }
    return listed;
}

/** Waits until the backend lists a device of the kind with the identity;
    its device id, or -1. */
inline int waitForDevice(PlatformMidi::MidiBackend& backend, PlatformMidi::DeviceKind kind,
                         const std::string& identity)
{
    int found = -1;
    waitFor([&] {
        const auto listed = deviceIdentities(backend, kind);
        for (size_t id = 0; id < listed.size(); ++id)
            if (listed[id] == identity)
                found = static_cast<int>(id);
        return found >= 0;
    });
    return found;
}

/** A program of alsa-utils run for a test, its output (both streams) kept
    in a file, stopped by its process id. */
class PeerProcess
{
public:
    PeerProcess(const std::vector<std::string>& arguments, const std::string& outputFile) : output_(outputFile)
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~PeerProcess() { stop(); }
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t id() const { return pid_; }

    /** Whether the program has the file open. */
    bool hasOpen(const std::string& file) const
    {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", error))
            if (std::filesystem::read_symlink(entry.path(), error) == file)
                return true;
        return false;
    }

    /** Waits for the program to end by itself; its exit status (-1 when
        it did not start or ended by a signal). */
    int wait()
    {
        if (pid_ <= 0)
            return status_;
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }

    /** Ends the program (SIGTERM: both peers finish their output first). */
    void stop()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGCONT);
        ::kill(pid_, SIGTERM);
        wait();
    }

    /** Stops the program where it is (a peer that reads nothing for a
        while) and lets it go on. */
    void pause() { ::kill(pid_, SIGSTOP); }
    void resume() { ::kill(pid_, SIGCONT); }

    /** What the program wrote so far. */
    std::string output() const
    {
        std::ifstream in(output_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string output_;
    pid_t pid_ = -1;
    int status_ = -1;
};

/** Bytes from hexadecimal text ("F07D01", "F0 7D 01"); anything else ends
    the reading. */
inline std::vector<unsigned char> hexBytes(const std::string& text)
{
    std::vector<unsigned char> bytes;
    std::string digits;
    for (char c : text)
    {
        if (c == ' ')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            break;
        digits += c;
        if (digits.size() == 2)
        {
            bytes.push_back(static_cast<unsigned char>(std::stoul(digits, nullptr, 16)));
            digits.clear();
        }
    }
    return bytes;
}

/** `amidi -p hw:0,<device> -d`: reads the raw side of a VirMIDI interface
    and prints each message on a line of its own (a new line at every
    status byte; clock and active sensing left out). */
class AmidiReader
{
public:
    explicit AmidiReader(int device)
        : device_(device), process_({"amidi", "-p", "hw:0," + std::to_string(device), "-d"}, folder_.file("amidi.txt"))
    {
    }

    bool started() const { return process_.started(); }
    /** Waits until amidi has the raw device open: what comes before is lost. */
    bool waitUntilReady(DWORD limitMs = 10000) const
    {
        const std::string device = "/dev/snd/midiC0D" + std::to_string(device_);
        return waitFor([&] { return process_.hasOpen(device); }, limitMs);
    }
    PeerProcess& process() { return process_; }

    /** The messages read so far, in order. */
    std::vector<std::vector<unsigned char>> messages() const
    {
        std::vector<std::vector<unsigned char>> messages;
        std::istringstream lines(process_.output());
        std::string line;
        while (std::getline(lines, line))
            if (!line.empty())
                messages.push_back(hexBytes(line));
        return messages;
    }

    /** Waits until at least count messages are read, the last of them
        whole when it is a SysEx. */
    bool waitForMessages(size_t count, DWORD limitMs = 10000) const
    {
        return waitFor(
            [&] {
                const auto read = messages();
                return read.size() >= count && (read.back()[0] != 0xF0 || read.back().back() == 0xF7);
            },
            limitMs);
    }

private:
    int device_;
    TempDir folder_;
    mutable PeerProcess process_;
};

/** Writes bytes (hexadecimal text) to the raw side of a VirMIDI interface
    with `amidi -p hw:0,<device> -S`; answers amidi's exit status. */
inline int amidiSend(int device, const std::string& hex)
{
    TempDir folder;
    PeerProcess amidi({"amidi", "-p", "hw:0," + std::to_string(device), "-S", hex}, folder.file("amidi.txt"));
    return amidi.wait();
}

/** An `aseqdump` client (client and port both named "aseqdump") and the
    events it prints. */
class AseqdumpPeer
{
public:
    // Its output goes to a file, so line by line only through stdbuf.
    AseqdumpPeer() : process_({"stdbuf", "-oL", "aseqdump"}, folder_.file("aseqdump.txt")) {}

    bool started() const { return process_.started(); }
    PeerProcess& process() { return process_; }

    /** Waits until the client is there (it says at which port it waits). */
    bool waitUntilReady(DWORD limitMs = 10000) const
    {
        return waitFor([&] { return process_.output().find("Waiting for data") != std::string::npos; }, limitMs);
    }

    /** "client:port" of its port, from its first line. */
    std::string address() const
    {
        const std::string text = process_.output();
        const std::string lead = "Waiting for data at port ";
        const size_t at = text.find(lead);
        if (at == std::string::npos)
            return "";
        const size_t start = at + lead.size();
        return text.substr(start, text.find('.', start) - start);
    }

    /** The bytes of every SysEx event received, one entry per event. */
    std::vector<std::vector<unsigned char>> sysexEvents() const
    {
        return eventData("System exclusive");
    }

    /** The lines of the events of one kind ("Note on", "Clock" ...), the
        kind's name left off. */
    std::vector<std::string> eventLines(const std::string& kind) const
    {
        std::vector<std::string> found;
        std::istringstream lines(process_.output());
        std::string line;
        while (std::getline(lines, line))
        {
            const size_t at = line.find(kind);
            if (at != std::string::npos && at < 16)
                found.push_back(line.substr(at + kind.size()));
        }
        return found;
    }

    bool waitForSysex(size_t count, DWORD limitMs = 10000) const
    {
        return waitFor([&] { return sysexEvents().size() >= count; }, limitMs);
    }

private:
    std::vector<std::vector<unsigned char>> eventData(const std::string& kind) const
    {
        std::vector<std::vector<unsigned char>> events;
        for (std::string rest : eventLines(kind))
        {
            rest.erase(0, rest.find_first_not_of(' '));
            events.push_back(hexBytes(rest));
        }
        return events;
    }

    TempDir folder_;
    mutable PeerProcess process_;
};
} // namespace TestSupport

/** In a test body: skips with a clear message when the kernel's sequencer
    is not there, fails instead when the run requires it
    (VASKOR_REQUIRE_ALSA=1, as scripts/alsa-vm runs these tests). */
#define VASKOR_REQUIRE_ALSA_SEQUENCER()                                                                          \
    do                                                                                                           \
    {                                                                                                            \
        if (!TestSupport::alsaSequencerPresent())                                                                \
        {                                                                                                        \
            if (TestSupport::alsaSequencerRequired())                                                            \
                FAIL() << "no ALSA sequencer (/dev/snd/seq), and VASKOR_REQUIRE_ALSA=1 requires one";            \
            GTEST_SKIP() << "no ALSA sequencer (/dev/snd/seq); scripts/test runs this test inside a virtual "     \
                            "machine that has one (scripts/alsa-vm)";                                            \
        }                                                                                                        \
    } while (0)
