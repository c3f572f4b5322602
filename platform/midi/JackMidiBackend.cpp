// The JACK backend: one client, its device lists and connections (guarded by
// the core's lock, never taken on JACK's threads), the process callback
// (lock-free, through RealtimeSlots and the realtime ports) and the backend's
// own worker thread.
#include "midi/JackMidiBackend.h"

#include "midi/GoneClients.h"
#include "midi/JackLibrary.h"
#include "midi/JackPortNames.h"
#include "midi/JackRealtimePorts.h"
#include "midi/JackServerCalls.h"
#include "midi/LinkedConnections.h"
#include "midi/MidiDeviceNames.h"
#include "midi/RealtimeSlots.h"
#include "windows/PlatformMessageWindows.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <future>
#include <mutex>
#include <semaphore.h>
#include <thread>
#include <type_traits>
#include <vector>

namespace PlatformMidi
{
namespace
{
const char kClientName[] = "vaskor-midi";
constexpr size_t kSlots = 64;
constexpr size_t kMinQueueBytes = 64 * 1024;
// How long a new connection may be missing from the client's view of the
// graph, and how often it is looked at again meanwhile.
constexpr std::chrono::milliseconds kConnectionShowsWithin{2000};
constexpr long kRelookNs = 20 * 1000 * 1000;
// How long the end of the process waits for the client to close.
constexpr std::chrono::seconds kCloseAtExitWithin{3};
// How long a port's disconnect or the client's close waits for the server.
constexpr std::chrono::milliseconds kServerAnswersWithin{2000};

/** A MIDI port of another client. */
struct JackDevice
{
    std::string fullName;
    std::string displayName;

    bool operator==(const JackDevice& other) const
    {
        return fullName == other.fullName && displayName == other.displayName;
    }
};

int kindIndex(DeviceKind kind)
{
    return kind == DeviceKind::output ? 0 : 1;
}

std::string describeStatus(jack_status_t status)
{
    if ((status & JackServerFailed) != 0)
        return "no JACK server is running";
    if ((status & JackVersionError) != 0)
        return "the JACK server speaks another protocol version";
    return "the JACK server refused the client (status " + std::to_string(static_cast<unsigned>(status)) + ")";
}

/** What the device name is made of (see jackDeviceNames). */
JackPortFacts factsOf(const JackLibrary& jack, jack_port_t* port, const char* fullName)
{
    JackPortFacts facts;
    facts.fullName = fullName;
    facts.physical = (jack.port_flags(port) & JackPortIsPhysical) != 0;
    const int size = jack.port_name_size();
    std::vector<char> first(static_cast<size_t>(size), '\0'), second(static_cast<size_t>(size), '\0');
    char* aliases[2] = {first.data(), second.data()};
    if (jack.port_get_aliases(port, aliases) > 0)
        facts.alias = first.data();
    return facts;
}
} // namespace

/** The state the backend shares with its connections and JACK's threads. */
class JackMidiBackend::Core : public std::enable_shared_from_this<Core>
{
public:
    /** A connection as the core keeps it (under its lock). */
    struct Link
    {
        DeviceKind kind;
        std::string target;
        JackOutputPort* output;
        JackInputPort* input;
        std::shared_ptr<OutputClient> outputClient;
        std::shared_ptr<InputClient> inputClient;
        uint64_t generation;
        bool gone;
        /** Whether a look at the graph has shown the connection yet. */
        bool seenConnected;
        std::chrono::steady_clock::time_point openedAt;
    };

    /** A port of ours that no link uses any more. libjack walks the list of
        a client's ports on its notification thread without a lock against
        jack_port_unregister, so a port is not unregistered while the client
        lives: it waits here for the next open of its kind. */
    struct SparePort
    {
        jack_port_t* port;
        bool seenConnected; // whether its last link was seen connected
        std::chrono::steady_clock::time_point since;
    };

    Core() { sem_init(&wake_, 0, 0); }
    ~Core() { sem_destroy(&wake_); }

    /** Loads the library from libraryFile and connects when a server
        answers, else keeps trying; without the library, never. */
    void start(const char* libraryFile)
    {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            jack_ = JackLibrary::load(failure_, libraryFile);
            if (jack_ == nullptr)
                return;
        }
        closeAtExit();
        connect();
        worker_ = std::thread([this] { run(); });
    }

    void stop()
    {
        stopping_.store(true);
        sem_post(&wake_);
        if (worker_.joinable())
            worker_.join();
        std::lock_guard<std::mutex> hold(mutex_);
        closeClient();
    }

    bool isAvailable()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return jack_ != nullptr;
    }

    bool isConnected()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return client_ != nullptr;
    }

    std::string failure()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return failure_;
    }

    UINT count(DeviceKind kind)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return static_cast<UINT>(devices_[kindIndex(kind)].size());
    }

    MMRESULT device(DeviceKind kind, UINT id, JackDevice& device)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        const std::vector<JackDevice>& list = devices_[kindIndex(kind)];
        if (id >= list.size())
            return MMSYSERR_BADDEVICEID;
        device = list[id];
        return MMSYSERR_NOERROR;
    }

    /** Opens device id of the kind for one of the clients; null (and code)
        on failure. */
    Link* open(DeviceKind kind, UINT id, const std::shared_ptr<OutputClient>& outputClient,
               const std::shared_ptr<InputClient>& inputClient, MMRESULT& code, std::string& detail);
    /** Sends through an output link (any thread; one writer at a time). */
    MMRESULT send(Link& link, const BYTE* bytes, size_t length, uint64_t token, std::string& detail);
    /** Takes a connection's link out: after this the process thread does not
        see its port and the port is unconnected, kept for a later open. */
    void close(Link* link);

private:
    static int process(jack_nframes_t frames, void* arg);
    static void portsChanged(void* arg);
    static void onPortRegistration(jack_port_id_t, int, void* arg) { portsChanged(arg); }
    static void onClientRegistration(const char*, int, void* arg) { portsChanged(arg); }
    static void onPortRename(jack_port_id_t, const char*, const char*, void* arg) { portsChanged(arg); }
    static void onShutdown(jack_status_t, const char*, void* arg);
    static int onBufferSize(jack_nframes_t frames, void* arg);

    /** Has the core stopped, its client closed, when the process ends. The
        program leaves its backend to the end of the process, and a client
        that merely dies there is found out by the server afterwards: it
        fails to tell the client about its ports and, in synchronous mode,
        holds up every other client meanwhile. */
    void closeAtExit();
    static void stopLiveCores();
    bool connect();
    void closeClient();
    void run();
    void waitForWork();
    void deliverCompletions();
    void deliverInput();
    void loseServer();
    /** Re-reads the device lists (lock held); answers whether they changed
        and collects the links whose device went away, marking them gone. */
    bool refresh(GoneClients& gone);
    /** Whether the link's port is still connected to its device (lock held). */
    bool stillConnected(Link& link);
    std::vector<JackDevice> listPorts(unsigned long flags);
    /** A port of the kind for a new link: a settled spare one, else a new
        one; null when JACK refuses one (lock held). */
    jack_port_t* takePort(DeviceKind kind);
    template <typename Port>
    Link* addLink(DeviceKind kind, const std::string& target, std::unique_ptr<Port> made);
    /** Takes the link out of the realtime tables and the lists, and keeps
        its port as a spare when it belongs to the current client and the
        server answered its disconnect (lock held). */
    void removeLink(std::vector<std::unique_ptr<Link>>::iterator found);

    std::mutex mutex_;
    // Set once by start, before any other thread sees the core.
    std::shared_ptr<const JackLibrary> jack_;
    jack_client_t* client_ = nullptr;
    // The client's calls that wait for the server on the way out; with client_.
    std::unique_ptr<JackServerCalls> serverCalls_;
    uint64_t generation_ = 0;
    std::string failure_;
    std::vector<JackDevice> devices_[2];
    std::vector<std::unique_ptr<Link>> links_;
    std::vector<std::unique_ptr<JackOutputPort>> outputPorts_;
    std::vector<std::unique_ptr<JackInputPort>> inputPorts_;
    std::vector<SparePort> spares_[2];
    unsigned portNumber_ = 0;
    // The server's current buffer: set by connect and JACK's buffer-size notice.
    std::atomic<size_t> bufferBytes_{0};
    std::atomic<jack_nframes_t> bufferFrames_{0};

    RealtimeSlots<JackOutputPort, kSlots> outputSlots_;
    RealtimeSlots<JackInputPort, kSlots> inputSlots_;
    std::atomic<jack_client_t*> processClient_{nullptr};

    sem_t wake_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> portsChanged_{false};
    std::atomic<bool> serverLost_{false};
    std::atomic<bool> relook_{false}; // a new connection is not in the graph's view yet
    std::thread worker_;
};

JackMidiBackend::Core::Link* JackMidiBackend::Core::open(DeviceKind kind, UINT id,
                                                         const std::shared_ptr<OutputClient>& outputClient,
                                                         const std::shared_ptr<InputClient>& inputClient,
                                                         MMRESULT& code, std::string& detail)
{
    std::lock_guard<std::mutex> hold(mutex_);
    if (client_ == nullptr)
    {
        code = MMSYSERR_NODRIVER;
        detail = "(" + failure_ + ")";
        return nullptr;
    }
    const std::vector<JackDevice>& list = devices_[kindIndex(kind)];
    if (id >= list.size())
    {
        code = MMSYSERR_BADDEVICEID;
        return nullptr;
    }
    // Nothing is asked of the server beside a call it has not answered.
    if (serverCalls_->unanswered())
    {
        code = MMSYSERR_ERROR;
        detail = "(the JACK server does not answer)";
        return nullptr;
    }
    const bool output = kind == DeviceKind::output;
    const std::string device = list[id].fullName;
    jack_port_t* port = takePort(kind);
    if (port == nullptr)
    {
        code = MMSYSERR_ERROR;
        detail = "(JACK refused to register a port)";
        return nullptr;
    }
    // The port is in the process thread's table before it is connected, so
    // the device never reads what a spare port's buffer last held.
    const size_t queueBytes = std::max(kMinQueueBytes, 2 * bufferBytes_.load());
    Link* link = output ? addLink(kind, device, std::make_unique<JackOutputPort>(*jack_, port, queueBytes))
                        : addLink(kind, device, std::make_unique<JackInputPort>(*jack_, port, queueBytes));
    if (link == nullptr)
    {
        spares_[kindIndex(kind)].push_back({port, true, std::chrono::steady_clock::now()});
        code = MMSYSERR_ALLOCATED;
        detail = "(too many JACK ports are open)";
        return nullptr;
    }
    const std::string ours = jack_->port_name(port);
    if (jack_->connect(client_, output ? ours.c_str() : device.c_str(), output ? device.c_str() : ours.c_str()) != 0)
    {
        link->seenConnected = true; // nothing of it can show
        removeLink(links_.end() - 1);
        code = MMSYSERR_NOTENABLED;
        detail = "(JACK could not connect " + ours + " with \"" + device + "\")";
        return nullptr;
    }
    link->openedAt = std::chrono::steady_clock::now();
    link->outputClient = outputClient;
    link->inputClient = inputClient;
    code = MMSYSERR_NOERROR;
    return link;
}

jack_port_t* JackMidiBackend::Core::takePort(DeviceKind kind)
{
    // A spare port is taken once the graph shows it unconnected, and only
    // when the view of the graph, which lags, can no longer show an old
    // connection of it: its last link was seen connected, or ended long
    // enough ago. Else a new link to the same device could be seen connected
    // through the old connection and then taken for lost when that one ends.
    const auto now = std::chrono::steady_clock::now();
    std::vector<SparePort>& spares = spares_[kindIndex(kind)];
    auto settled = std::find_if(spares.begin(), spares.end(), [&](const SparePort& spare) {
        const bool pastOld = spare.seenConnected || now - spare.since >= kConnectionShowsWithin;
        return pastOld && jack_->port_connected(spare.port) == 0;
    });
    if (settled != spares.end())
    {
        jack_port_t* port = settled->port;
        spares.erase(settled);
        return port;
    }
    const bool output = kind == DeviceKind::output;
    const std::string name = (output ? "out_" : "in_") + std::to_string(++portNumber_);
    return jack_->port_register(client_, name.c_str(), JACK_DEFAULT_MIDI_TYPE,
                                output ? JackPortIsOutput : JackPortIsInput, 0);
}

template <typename Port>
JackMidiBackend::Core::Link* JackMidiBackend::Core::addLink(DeviceKind kind, const std::string& target,
                                                            std::unique_ptr<Port> made)
{
    bool published;
    if constexpr (std::is_same<Port, JackOutputPort>::value)
        published = outputSlots_.publish(made.get());
    else
        published = inputSlots_.publish(made.get());
    if (!published)
        return nullptr;
    auto link = std::make_unique<Link>(Link{kind, target, nullptr, nullptr, nullptr, nullptr, generation_, false,
                                            false, std::chrono::steady_clock::now()});
    if constexpr (std::is_same<Port, JackOutputPort>::value)
    {
        link->output = made.get();
        outputPorts_.push_back(std::move(made));
    }
    else
    {
        link->input = made.get();
        inputPorts_.push_back(std::move(made));
    }
    links_.push_back(std::move(link));
    return links_.back().get();
}

MMRESULT JackMidiBackend::Core::send(Link& link, const BYTE* bytes, size_t length, uint64_t token,
                                     std::string& detail)
{
    // The link's fields other than the port are the core's: read under its lock.
    // The limit is the buffer's as the server has it now: one it shrank since
    // the port's last cycle takes less than that cycle measured.
    size_t limit;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (link.gone)
            return MIDIERR_NODEVICE;
        limit = JackOutputPort::largestMessage(link.output->maxEventSize(bufferFrames_.load()), bufferBytes_.load());
    }
    if (length > limit)
    {
        detail = "(a message of " + std::to_string(length) + " bytes does not fit whole into a JACK MIDI buffer," +
                 " which takes at most " + std::to_string(limit) + ")";
        return MMSYSERR_INVALPARAM;
    }
    if (!link.output->queue(bytes, length, token))
    {
        detail = "(the JACK port's queue is full)";
        return MIDIERR_NOTREADY;
    }
    return MMSYSERR_NOERROR;
}

void JackMidiBackend::Core::close(Link* link)
{
    std::lock_guard<std::mutex> hold(mutex_);
    auto found = std::find_if(links_.begin(), links_.end(),
                              [&](const std::unique_ptr<Link>& listed) { return listed.get() == link; });
    if (found != links_.end())
        removeLink(found);
}

void JackMidiBackend::Core::removeLink(std::vector<std::unique_ptr<Link>>::iterator found)
{
    Link& link = **found;
    const bool ours = client_ != nullptr && link.generation == generation_;
    jack_port_t* port = link.output != nullptr ? link.output->port() : link.input->port();
    // Whether the graph shows the connection by now decides how soon the
    // port may serve another link (see takePort).
    if (ours && !link.seenConnected && jack_->port_connected_to(port, link.target.c_str()) != 0)
        link.seenConnected = true;
    // Unconnected first: a cycle after the retire does not clear the buffer,
    // and the device would read its last events again. A server that does not
    // answer is not waited for; the port, which may still be connected then,
    // serves no other link.
    const bool unconnected =
        ours && serverCalls_->run([jack = jack_, client = client_, port] { jack->port_disconnect(client, port); });
    if (link.output != nullptr)
    {
        outputSlots_.retire(link.output);
        outputPorts_.erase(std::find_if(outputPorts_.begin(), outputPorts_.end(),
                                        [&](const auto& listed) { return listed.get() == link.output; }));
    }
    else
    {
        inputSlots_.retire(link.input);
        inputPorts_.erase(std::find_if(inputPorts_.begin(), inputPorts_.end(),
                                       [&](const auto& listed) { return listed.get() == link.input; }));
    }
    if (unconnected)
        spares_[kindIndex(link.kind)].push_back({port, link.seenConnected, std::chrono::steady_clock::now()});
    links_.erase(found);
}

int JackMidiBackend::Core::process(jack_nframes_t frames, void* arg)
{
    Core& core = *static_cast<Core*>(arg);
    const uint64_t cycle = core.outputSlots_.beginCycle();
    const uint64_t inputCycle = core.inputSlots_.beginCycle();
    jack_client_t* client = core.processClient_.load(std::memory_order_acquire);
    const jack_nframes_t start = client == nullptr ? 0 : core.jack_->last_frame_time(client);
    bool wake = false;
    for (size_t i = 0; i < kSlots; ++i)
    {
        if (JackOutputPort* port = core.outputSlots_.at(i))
            wake = port->process(frames, cycle) || wake;
        if (JackInputPort* port = core.inputSlots_.at(i))
            wake = port->process(frames, start) || wake;
    }
    core.inputSlots_.endCycle(inputCycle);
    core.outputSlots_.endCycle(cycle);
    if (wake)
        sem_post(&core.wake_);
    return 0;
}

void JackMidiBackend::Core::portsChanged(void* arg)
{
    Core& core = *static_cast<Core*>(arg);
    core.portsChanged_.store(true);
    sem_post(&core.wake_);
}

void JackMidiBackend::Core::onShutdown(jack_status_t, const char*, void* arg)
{
    Core& core = *static_cast<Core*>(arg);
    core.serverLost_.store(true);
    sem_post(&core.wake_);
}

int JackMidiBackend::Core::onBufferSize(jack_nframes_t frames, void* arg)
{
    // Called before the first cycle of the new size; asks nothing of the server.
    Core& core = *static_cast<Core*>(arg);
    if (jack_client_t* client = core.processClient_.load(std::memory_order_acquire))
        core.bufferBytes_.store(core.jack_->port_type_get_buffer_size(client, JACK_DEFAULT_MIDI_TYPE));
    core.bufferFrames_.store(frames);
    return 0;
}

bool JackMidiBackend::Core::connect()
{
    jack_status_t status = static_cast<jack_status_t>(0);
    jack_client_t* client = jack_->client_open(kClientName, JackNoStartServer, &status);
    if (client == nullptr)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        failure_ = describeStatus(status);
        return false;
    }
    processClient_.store(client, std::memory_order_release);
    jack_->set_process_callback(client, &Core::process, this);
    jack_->set_buffer_size_callback(client, &Core::onBufferSize, this);
    jack_->set_port_registration_callback(client, &Core::onPortRegistration, this);
    jack_->set_client_registration_callback(client, &Core::onClientRegistration, this);
    jack_->set_port_rename_callback(client, &Core::onPortRename, this);
    jack_->on_info_shutdown(client, &Core::onShutdown, this);
    if (jack_->activate(client) != 0)
    {
        jack_->client_close(client);
        processClient_.store(nullptr);
        std::lock_guard<std::mutex> hold(mutex_);
        failure_ = "the JACK server did not activate the client";
        return false;
    }
    // Its threads may outlive a client the server drops (see loseServer).
    jack_->keepLoaded();
    GoneClients gone;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        client_ = client;
        serverCalls_ = std::make_unique<JackServerCalls>(kServerAnswersWithin);
        ++generation_;
        spares_[0].clear(); // ports of an earlier client
        spares_[1].clear();
        failure_.clear();
        bufferBytes_.store(jack_->port_type_get_buffer_size(client, JACK_DEFAULT_MIDI_TYPE));
        bufferFrames_.store(jack_->get_buffer_size(client));
        refresh(gone);
    }
    gone.tell();
    return true;
}

namespace
{
// The cores closeAtExit stops; never destroyed, as they are used at exit.
std::mutex& liveCoresMutex()
{
    static auto* mutex = new std::mutex();
    return *mutex;
}

template <typename Core>
std::vector<std::weak_ptr<Core>>& liveCores()
{
    static auto* cores = new std::vector<std::weak_ptr<Core>>();
    return *cores;
}
} // namespace

void JackMidiBackend::Core::closeAtExit()
{
    static std::once_flag hooked;
    std::call_once(hooked, [] { std::atexit(&Core::stopLiveCores); });
    std::lock_guard<std::mutex> hold(liveCoresMutex());
    std::vector<std::weak_ptr<Core>>& cores = liveCores<Core>();
    cores.erase(std::remove_if(cores.begin(), cores.end(), [](const auto& core) { return core.expired(); }),
                cores.end());
    cores.push_back(weak_from_this());
}

void JackMidiBackend::Core::stopLiveCores()
{
    std::vector<std::shared_ptr<Core>> cores;
    {
        std::lock_guard<std::mutex> hold(liveCoresMutex());
        for (const std::weak_ptr<Core>& core : liveCores<Core>())
            if (std::shared_ptr<Core> alive = core.lock())
                cores.push_back(std::move(alive));
        liveCores<Core>().clear();
    }
    // A server that does not answer does not keep the process from ending:
    // after a while it is left to find out by itself.
    auto stopped = std::make_shared<std::promise<void>>();
    std::future<void> done = stopped->get_future();
    std::thread([cores = std::move(cores), stopped] {
        for (const std::shared_ptr<Core>& core : cores)
            core->stop();
        stopped->set_value();
    }).detach();
    done.wait_for(kCloseAtExitWithin);
}

void JackMidiBackend::Core::closeClient()
{
    if (client_ == nullptr)
        return;
    // A server that does not answer is left to find the client gone by
    // itself. Until the close is done, JACK's threads may still call in: the
    // call keeps the core alive.
    serverCalls_->run([jack = jack_, client = client_, core = shared_from_this()] {
        jack->deactivate(client);
        jack->client_close(client);
    });
    serverCalls_.reset();
    client_ = nullptr;
    processClient_.store(nullptr);
    spares_[0].clear();
    spares_[1].clear();
}

void JackMidiBackend::Core::run()
{
    auto lastAttempt = std::chrono::steady_clock::now();
    while (!stopping_.load())
    {
        waitForWork();
        if (stopping_.load())
            break;
        deliverCompletions();
        deliverInput();
        if (serverLost_.exchange(false))
            loseServer();
        if (relook_.exchange(false))
            portsChanged_.store(true);
        if (portsChanged_.exchange(false))
        {
            GoneClients gone;
            bool changed;
            {
                std::lock_guard<std::mutex> hold(mutex_);
                changed = client_ != nullptr && refresh(gone);
            }
            gone.tell();
            if (changed)
                BroadcastDeviceChange();
        }
        const auto now = std::chrono::steady_clock::now();
        if (!isConnected() && now - lastAttempt >= std::chrono::seconds(1))
        {
            lastAttempt = now;
            if (connect())
                BroadcastDeviceChange();
        }
    }
}

void JackMidiBackend::Core::waitForWork()
{
    // While connected, all work is announced on wake_ (cycles that finished
    // messages or received some, JACK's notices, stop), so an idle program
    // does not wake up; without a server the wait ends in time to try again.
    // A new connection that the graph does not show yet is looked at again soon.
    const bool connected = isConnected();
    if (connected && !relook_.load())
    {
        while (sem_wait(&wake_) != 0 && errno == EINTR)
        {
        }
        return;
    }
    timespec until{};
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_nsec += connected ? kRelookNs : 250 * 1000 * 1000;
    if (until.tv_nsec >= 1000 * 1000 * 1000)
    {
        until.tv_sec += 1;
        until.tv_nsec -= 1000 * 1000 * 1000;
    }
    while (sem_timedwait(&wake_, &until) != 0 && errno == EINTR)
    {
    }
}

void JackMidiBackend::Core::deliverCompletions()
{
    std::vector<std::pair<std::shared_ptr<OutputClient>, uint64_t>> done;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        const uint64_t ended = outputSlots_.cyclesEnded();
        for (const auto& link : links_)
        {
            uint64_t token;
            while (link->output != nullptr && link->output->nextDone(ended, token))
                done.emplace_back(link->outputClient, token);
        }
    }
    for (const auto& completion : done)
        completion.first->longMessageDone(completion.second);
}

void JackMidiBackend::Core::deliverInput()
{
    std::vector<std::pair<std::shared_ptr<InputClient>, std::vector<BYTE>>> arrived;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        std::vector<BYTE> bytes;
        uint32_t frame;
        for (const auto& link : links_)
            while (link->input != nullptr && link->input->nextEvent(bytes, frame))
                arrived.emplace_back(link->inputClient, bytes);
    }
    for (const auto& event : arrived)
        event.first->bytesReceived(event.second.data(), event.second.size());
}

void JackMidiBackend::Core::loseServer()
{
    GoneClients gone;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        for (const auto& link : links_)
        {
            if (link->output != nullptr)
                outputSlots_.retire(link->output);
            else
                inputSlots_.retire(link->input);
            gone.collect(*link);
        }
        // The dead client is let go without jack_client_close: after a server
        // loss libjack (1.9.21) can hang in it, and its threads are gone anyway.
        client_ = nullptr;
        serverCalls_.reset();
        processClient_.store(nullptr);
        outputSlots_.forgetUnfinishedCycle();
        inputSlots_.forgetUnfinishedCycle();
        devices_[0].clear();
        devices_[1].clear();
        failure_ = "the JACK server went away";
    }
    gone.tell();
    BroadcastDeviceChange();
}

bool JackMidiBackend::Core::refresh(GoneClients& gone)
{
    bool changed = false;
    const unsigned long flags[2] = {JackPortIsInput, JackPortIsOutput};
    for (int kind = 0; kind < 2; ++kind)
    {
        const std::vector<JackDevice> found = listPorts(flags[kind]);
        std::vector<JackDevice> next;
        for (const JackDevice& old : devices_[kind])
        {
            auto same = std::find_if(found.begin(), found.end(),
                                     [&](const JackDevice& device) { return device.fullName == old.fullName; });
            if (same != found.end())
                next.push_back(*same);
        }
        for (const JackDevice& device : found)
            if (std::none_of(next.begin(), next.end(),
                             [&](const JackDevice& listed) { return listed.fullName == device.fullName; }))
                next.push_back(device);
        changed = changed || next != devices_[kind];
        devices_[kind] = std::move(next);
    }
    for (const auto& link : links_)
    {
        if (link->gone)
            continue;
        const std::vector<JackDevice>& list = devices_[kindIndex(link->kind)];
        const bool listed = std::any_of(list.begin(), list.end(),
                                        [&](const JackDevice& device) { return device.fullName == link->target; });
        if (!listed || !stillConnected(*link))
            gone.collect(*link);
    }
    return changed;
}

bool JackMidiBackend::Core::stillConnected(Link& link)
{
    // A port that went away and came back under its name between two looks
    // took the connection with it: the link is gone all the same, or sends
    // would be taken and reach nothing.
    if (link.generation != generation_)
        return false;
    jack_port_t* ours = link.output != nullptr ? link.output->port() : link.input->port();
    if (jack_->port_connected_to(ours, link.target.c_str()) != 0)
    {
        link.seenConnected = true;
        return true;
    }
    // The client's view of the graph takes a connection over at a later
    // cycle of the server, later still while other clients change the graph:
    // a new link that it does not show yet is not taken for a lost one
    // until it has had time to show.
    if (!link.seenConnected && std::chrono::steady_clock::now() - link.openedAt < kConnectionShowsWithin)
    {
        relook_.store(true);
        return true;
    }
    return false;
}

std::vector<JackDevice> JackMidiBackend::Core::listPorts(unsigned long flags)
{
    std::vector<JackPortFacts> ports;
    const char** names = jack_->get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    for (const char** name = names; name != nullptr && *name != nullptr; ++name)
    {
        jack_port_t* port = jack_->port_by_name(client_, *name);
        if (port == nullptr || jack_->port_is_mine(client_, port))
            continue;
        ports.push_back(factsOf(*jack_, port, *name));
    }
    if (names != nullptr)
        jack_->free(names);
    const std::vector<std::string> deviceNames = jackDeviceNames(ports);
    std::vector<JackDevice> result;
    for (size_t i = 0; i < ports.size(); ++i)
        result.push_back({ports[i].fullName, deviceNames[i]});
    return result;
}

JackMidiBackend::JackMidiBackend() : JackMidiBackend(JackLibrary::kFileName)
{
}

JackMidiBackend::JackMidiBackend(const char* libraryFile) : core_(std::make_shared<Core>())
{
    core_->start(libraryFile);
}

bool JackMidiBackend::isAvailable() const
{
    return core_->isAvailable();
}

JackMidiBackend::~JackMidiBackend()
{
    core_->stop();
}

bool JackMidiBackend::isConnected() const
{
    return core_->isConnected();
}

std::string JackMidiBackend::failure() const
{
    return core_->failure();
}

UINT JackMidiBackend::deviceCount(DeviceKind kind)
{
    return core_->count(kind);
}

MMRESULT JackMidiBackend::productName(DeviceKind kind, UINT id, std::string& name)
{
    JackDevice device;
    const MMRESULT code = core_->device(kind, id, device);
    if (code == MMSYSERR_NOERROR)
        name = device.displayName;
    return code;
}

MMRESULT JackMidiBackend::interfacePath(DeviceKind kind, UINT id, std::string& path)
{
    JackDevice device;
    const MMRESULT code = core_->device(kind, id, device);
    if (code == MMSYSERR_NOERROR)
        path = "jack:" + percentEscaped(device.fullName);
    return code;
}

OutputOpenOutcome JackMidiBackend::openOutput(UINT id, const std::shared_ptr<OutputClient>& client)
{
    return openLinkedOutput(core_, id, client);
}

InputOpenOutcome JackMidiBackend::openInput(UINT id, const std::shared_ptr<InputClient>& client)
{
    return openLinkedInput(core_, id, client);
}
} // namespace PlatformMidi
