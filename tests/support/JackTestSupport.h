// JACK for tests: whether a server answers (skip, or fail when the run
// requires one), and a small JACK client that plays the other side of the
// MIDI connections: it registers MIDI ports on demand, records every event
// its input ports receive byte for byte with its frame time, and sends short
// messages and SysEx from its output ports; and a JACK server of a test's own.
#pragma once

#include "WaitFor.h"
#include "midi/JackLibrary.h"
#include "midi/JackRealtimePorts.h"
#include "midi/MidiDeviceNames.h"
#include "midi/RealtimeSlots.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace TestSupport
{
/** True when scripts/test started a server and every JACK test must run. */
inline bool jackServerRequired()
{
    const char* required = std::getenv("VASKOR_REQUIRE_JACK");
    return required != nullptr && std::string(required) == "1";
}

/** Whether a JACK server answers (never starting one). */
inline bool jackServerAnswers()
{
    jack_status_t status;
    jack_client_t* client = jack_client_open("vaskor-probe", JackNoStartServer, &status);
    if (client == nullptr)
        return false;
    // A client closed without having been activated can hang libjack
    // (1.9.21) in the close while other clients come and go.
    jack_activate(client);
    jack_deactivate(client);
    jack_client_close(client);
    return true;
}

inline std::string jackServerName()
{
    const char* name = std::getenv("JACK_DEFAULT_SERVER");
    return name == nullptr ? std::string("default") : std::string(name);
}

/**
    A JACK client for tests (see the file comment). Its process callback
    works on JackOutputPort / JackInputPort through RealtimeSlots, like the
    backend's; everything else runs under its own lock.
*/
class JackPeer
{
public:
    struct Event
    {
        std::string port; ///< short name of the receiving port
        uint32_t frame;   ///< frame time of the event
        std::vector<unsigned char> bytes;
    };

    explicit JackPeer(const std::string& name = "vaskor-peer")
    {
        std::string failure;
        library_ = PlatformMidi::JackLibrary::load(failure);
        if (library_ == nullptr)
            return;
        std::lock_guard<std::mutex> hold(mutex_);
        open(name);
    }

    ~JackPeer()
    {
        if (client_ == nullptr)
            return;
        if (serverGone_.load())
        {
            // The client is let go without a close, in which libjack (1.9.21)
            // can hang; the peer is freed once its last cycle has ended.
            inputs_.waitForCycle();
            outputs_.waitForCycle();
            return;
        }
        jack_deactivate(client_);
        jack_client_close(client_);
    }

    JackPeer(const JackPeer&) = delete;
    JackPeer& operator=(const JackPeer&) = delete;

    bool isOpen() const
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return client_ != nullptr;
    }
    /** Whether the server told the peer it went away. */
    bool serverGone() const { return serverGone_.load(); }
    std::string clientName() const
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return client_ == nullptr ? "" : name_;
    }
    /** The name under which the JACK backend lists the peer's port: its full
        name, cut to a product name's room. */
    std::string listedName(const std::string& shortName) const
    {
        return PlatformMidi::cutUtf8(clientName() + ":" + shortName);
    }

    /** Registers a port that receives (the backend's outputs write to it);
        answers its full name, empty on failure. */
    std::string addInput(const std::string& shortName) { return add(shortName, JackPortIsInput); }
    /** Registers a port that sends (the backend's inputs read it); a
        physical one stands for hardware, as a bridge's ports do. */
    std::string addOutput(const std::string& shortName, bool physical = false)
    {
        const unsigned long flags = physical ? JackPortIsOutput | JackPortIsPhysical : JackPortIsOutput;
        return add(shortName, flags);
    }

    bool removePort(const std::string& shortName)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = ports_.find(shortName);
        if (found == ports_.end())
            return false;
        retire(shortName, found->second);
        jack_port_unregister(client_, found->second.jackPort);
        ports_.erase(found);
        return true;
    }

    /** Takes away the peer's only port with the peer's client, which opens
        again at once under its name, without ports. libjack (1.9.21) walks a
        client's list of ports on its notification thread with no lock
        against jack_port_unregister, so a client that unregisters ports over
        and over while the graph changes crashes in the end; a client that
        closes does not. */
    bool removeLastPortWithClient(const std::string& shortName)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = ports_.find(shortName);
        if (client_ == nullptr || found == ports_.end() || ports_.size() != 1)
            return false;
        retire(shortName, found->second);
        jack_deactivate(client_);
        jack_client_close(client_);
        client_ = nullptr;
        ports_.erase(found);
        return open(name_);
    }

    /** The full names of the ports connected to one of the peer's. */
    std::vector<std::string> connectionsOf(const std::string& shortName)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        std::vector<std::string> names;
        auto found = ports_.find(shortName);
        if (found == ports_.end())
            return names;
        const char** connected = jack_port_get_connections(found->second.jackPort);
        for (const char** name = connected; name != nullptr && *name != nullptr; ++name)
            names.emplace_back(*name);
        jack_free(connected);
        return names;
    }

    /** The full names of the MIDI ports of a client on the server. */
    std::vector<std::string> portsOfClient(const std::string& clientName)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        std::vector<std::string> names;
        const char** ports = jack_get_ports(client_, ("^" + clientName + ":").c_str(), JACK_DEFAULT_MIDI_TYPE, 0);
        for (const char** name = ports; name != nullptr && *name != nullptr; ++name)
            names.emplace_back(*name);
        jack_free(ports);
        return names;
    }

    /** Takes away the connection between another client's port and one of
        the peer's (as a port that goes and comes back between two looks of
        that client leaves it). */
    bool disconnect(const std::string& otherPort, const std::string& shortName)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = ports_.find(shortName);
        if (found == ports_.end())
            return false;
        const char* ours = jack_port_name(found->second.jackPort);
        return found->second.input != nullptr ? jack_disconnect(client_, otherPort.c_str(), ours) == 0
                                              : jack_disconnect(client_, ours, otherPort.c_str()) == 0;
    }

    /** Renames one of the peer's ports (other clients are told); answers
        its new full name, empty on failure. */
    std::string renamePort(const std::string& shortName, const std::string& newShortName)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = ports_.find(shortName);
        if (found == ports_.end() || ports_.count(newShortName) != 0
            || jack_port_rename(client_, found->second.jackPort, newShortName.c_str()) != 0)
            return "";
        auto node = ports_.extract(found);
        node.key() = newShortName;
        const char* fullName = jack_port_name(node.mapped().jackPort);
        ports_.insert(std::move(node));
        return fullName;
    }

    bool setAlias(const std::string& shortName, const std::string& alias)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = ports_.find(shortName);
        return found != ports_.end() && jack_port_set_alias(found->second.jackPort, alias.c_str()) == 0;
    }

    /** Queues one event (a whole message) for the next cycle of the port. */
    bool send(const std::string& shortName, const std::vector<unsigned char>& bytes)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = ports_.find(shortName);
        return found != ports_.end() && found->second.output != nullptr &&
               found->second.output->queue(bytes.data(), bytes.size(), 0);
    }

    /** Every event received so far, in order of arrival. */
    std::vector<Event> received()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        drainAll();
        return received_;
    }

    /** The number of events received so far (taking them off the ports'
        queues, which a long run must do now and then). */
    size_t receivedCount()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        drainAll();
        return received_.size();
    }

    bool waitForEvents(size_t count, DWORD limitMs = 5000)
    {
        return waitFor([&] { return received().size() >= count; }, limitMs);
    }

    /** Asks the server for buffers of this many frames. */
    bool setBufferSize(jack_nframes_t frames) { return jack_set_buffer_size(client_, frames) == 0; }

    /** The largest event the buffer of an output port takes, as measured by
        a cycle of the server's current size (0 before one has run). */
    size_t largestEvent(const std::string& shortName)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        auto found = ports_.find(shortName);
        return found == ports_.end() || found->second.output == nullptr
                   ? 0
                   : found->second.output->maxEventSize(jack_get_buffer_size(client_));
    }

    /** Bytes of a MIDI port buffer of the server. */
    size_t midiBufferSize() const { return jack_port_type_get_buffer_size(client_, JACK_DEFAULT_MIDI_TYPE); }

private:
    struct Port
    {
        jack_port_t* jackPort = nullptr;
        std::unique_ptr<PlatformMidi::JackOutputPort> output;
        std::unique_ptr<PlatformMidi::JackInputPort> input;
    };

    /** Takes a port out of the process thread's tables, keeping what it
        received (lock held). */
    void retire(const std::string& shortName, Port& port)
    {
        if (port.output != nullptr)
            outputs_.retire(port.output.get());
        if (port.input != nullptr)
        {
            inputs_.retire(port.input.get());
            drain(shortName, *port.input);
        }
    }

    /** Opens and activates the client (lock held); false on failure. Opened
        again, it takes its name exactly, given a moment to come free. */
    bool open(const std::string& name)
    {
        const bool again = !name_.empty();
        const jack_options_t options =
            again ? static_cast<jack_options_t>(JackNoStartServer | JackUseExactName) : JackNoStartServer;
        jack_status_t status;
        client_ = jack_client_open(name.c_str(), options, &status);
        for (int tries = 0; again && client_ == nullptr && tries < 100; ++tries)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            client_ = jack_client_open(name.c_str(), options, &status);
        }
        if (client_ == nullptr)
        {
            std::fprintf(stderr, "the test's JACK client \"%s\" did not open (status 0x%x)\n", name.c_str(),
                         static_cast<unsigned>(status));
            return false;
        }
        name_ = jack_get_client_name(client_);
        jack_set_process_callback(client_, &JackPeer::process, this);
        jack_on_info_shutdown(client_, &JackPeer::onShutdown, this);
        if (jack_activate(client_) != 0)
        {
            jack_client_close(client_);
            client_ = nullptr;
        }
        return client_ != nullptr;
    }

    std::string add(const std::string& shortName, unsigned long flags)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (client_ == nullptr || ports_.count(shortName) != 0)
            return "";
        jack_port_t* jackPort = jack_port_register(client_, shortName.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0);
        if (jackPort == nullptr)
            return "";
        Port& port = ports_[shortName];
        port.jackPort = jackPort;
        const size_t queueBytes = 4 * midiBufferSize();
        if ((flags & JackPortIsOutput) != 0)
        {
            port.output = std::make_unique<PlatformMidi::JackOutputPort>(*library_, jackPort, queueBytes);
            outputs_.publish(port.output.get());
        }
        else
        {
            port.input = std::make_unique<PlatformMidi::JackInputPort>(*library_, jackPort, queueBytes);
            inputs_.publish(port.input.get());
        }
        return jack_port_name(jackPort);
    }

    void drainAll()
    {
        for (auto& entry : ports_)
            if (entry.second.input != nullptr)
                drain(entry.first, *entry.second.input);
    }

    void drain(const std::string& name, PlatformMidi::JackInputPort& port)
    {
        Event event{name, 0, {}};
        while (port.nextEvent(event.bytes, event.frame))
            received_.push_back(event);
    }

    static int process(jack_nframes_t frames, void* arg)
    {
        JackPeer& peer = *static_cast<JackPeer*>(arg);
        const uint64_t cycle = peer.outputs_.beginCycle();
        const uint64_t inputCycle = peer.inputs_.beginCycle();
        const jack_nframes_t start = jack_last_frame_time(peer.client_);
        for (size_t i = 0; i < kSlots; ++i)
        {
            if (PlatformMidi::JackOutputPort* port = peer.outputs_.at(i))
                port->process(frames, cycle);
            if (PlatformMidi::JackInputPort* port = peer.inputs_.at(i))
                port->process(frames, start);
        }
        peer.inputs_.endCycle(inputCycle);
        peer.outputs_.endCycle(cycle);
        return 0;
    }

    static void onShutdown(jack_status_t, const char*, void* arg)
    {
        static_cast<JackPeer*>(arg)->serverGone_.store(true);
    }

    static constexpr size_t kSlots = 16;
    std::shared_ptr<const PlatformMidi::JackLibrary> library_; // for the realtime ports
    jack_client_t* client_ = nullptr;
    std::string name_; // the client's name as the server gave it
    std::atomic<bool> serverGone_{false};
    mutable std::mutex mutex_;
    std::map<std::string, Port> ports_;
    std::vector<Event> received_;
    PlatformMidi::RealtimeSlots<PlatformMidi::JackOutputPort, kSlots> outputs_;
    PlatformMidi::RealtimeSlots<PlatformMidi::JackInputPort, kSlots> inputs_;
};

/** A JACK server of the test's own (dummy driver), started and stopped by
    process id, so that the test may take it away. It is named after the
    prefix and the process id and becomes the process's default server
    (JACK_DEFAULT_SERVER), for clients opened from then on, until it is
    destroyed: then the default is the one before it again. */
class PrivateJackServer
{
public:
    explicit PrivateJackServer(const std::string& prefix) : name_(prefix + "-" + std::to_string(::getpid()))
    {
        const char* before = std::getenv("JACK_DEFAULT_SERVER");
        hadDefault_ = before != nullptr;
        defaultBefore_ = hadDefault_ ? before : "";
        ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        start();
    }
    ~PrivateJackServer()
    {
        stop();
        if (hadDefault_)
            ::setenv("JACK_DEFAULT_SERVER", defaultBefore_.c_str(), 1);
        else
            ::unsetenv("JACK_DEFAULT_SERVER");
    }

    /** Starts the server and waits up to 30 s for it to answer; when it
        does not, prints what it said and answers false. */
    bool start()
    {
        const std::string log = logPath();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        // Synchronous, as the server scripts/test starts (see there).
        const char* arguments[] = {"jackd", "--sync", "--no-realtime", "--name", name_.c_str(), "-d", "dummy",
                                   "-r", "48000", "-p", "256", nullptr};
        const int spawned = posix_spawnp(&pid_, "jackd", &actions, nullptr, const_cast<char* const*>(arguments),
                                         environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            pid_ = -1;
        const bool answers = pid_ > 0 && TestSupport::waitFor(TestSupport::jackServerAnswers, 30000);
        if (!answers)
        {
            std::ifstream said(log);
            const std::string text((std::istreambuf_iterator<char>(said)), std::istreambuf_iterator<char>());
            std::printf("the JACK server \"%s\" did not answer within 30 s; what it said:\n%s\n", name_.c_str(),
                        text.c_str());
        }
        ::unlink(log.c_str());
        return answers;
    }

    pid_t pid() const { return pid_; }

    /** Lets the server go on after a SIGSTOP and waits (up to 30 s) until
        it has dropped the clients named, whose process ended while it was
        stopped. A server ended while it still lists such a client dies of
        SIGPIPE telling it so, and its entry stays in JACK's machine-wide
        table of servers, which has room for 8. */
    bool resumeAndForget(const std::vector<std::string>& deadClients)
    {
        ::kill(pid_, SIGCONT);
        return TestSupport::waitFor([&] { return listsNoneOf(deadClients); }, 30000);
    }

    /** What the running server has written so far (its log file is gone
        from the folder, but it still writes to it). */
    std::string said() const
    {
        std::ifstream log("/proc/" + std::to_string(pid_) + "/fd/1");
        return std::string((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    }

    void stop()
    {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    static bool listsNoneOf(const std::vector<std::string>& clients)
    {
        jack_status_t status;
        jack_client_t* probe = jack_client_open("vaskor-probe", JackNoStartServer, &status);
        if (probe == nullptr)
            return false;
        bool none = true;
        for (const std::string& name : clients)
            if (char* uuid = jack_get_uuid_for_client_name(probe, name.c_str()))
            {
                jack_free(uuid);
                none = false;
            }
        // As in jackServerAnswers: closed active.
        jack_activate(probe);
        jack_deactivate(probe);
        jack_client_close(probe);
        return none;
    }

    std::string logPath() const
    {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder != nullptr ? folder : "/tmp") + "/" + name_ + ".log";
    }

    std::string name_;
    bool hadDefault_ = false;
    std::string defaultBefore_;
    pid_t pid_ = -1;
};
} // namespace TestSupport

/** In a test body: skips with a clear message when no JACK server answers,
    fails instead when the run requires one (VASKOR_REQUIRE_JACK=1). */
#define VASKOR_REQUIRE_JACK_SERVER()                                                                            \
    do                                                                                                           \
    {                                                                                                            \
        if (!TestSupport::jackServerAnswers())                                                                   \
        {                                                                                                        \
            if (TestSupport::jackServerRequired())                                                               \
                FAIL() << "no JACK server \"" << TestSupport::jackServerName()                                   \
                       << "\" answers, and VASKOR_REQUIRE_JACK=1 requires one";                                  \
            GTEST_SKIP() << "no JACK server \"" << TestSupport::jackServerName()                                 \
                         << "\" answers (start one, or run scripts/test, which does)";                           \
        }                                                                                                        \
    } while (0)
