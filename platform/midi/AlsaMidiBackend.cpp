// The calls into the ALSA sequencer library. Every call on the sequencer
// handle is made under the core's lock; only the wait for events (poll) is
// made without it, on the backend's thread. Clients are called after the
// lock is released.
#include "midi/AlsaMidiBackend.h"

#include "midi/AlsaLibrary.h"
#include "midi/AlsaPortCatalog.h"
#include "midi/GoneClients.h"
#include "midi/LinkedConnections.h"
#include "windows/PlatformMessageWindows.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <poll.h>
#include <thread>
#include <vector>

namespace PlatformMidi
{
static_assert(AlsaPortCatalog::kCapRead == SND_SEQ_PORT_CAP_READ, "capability bits");
static_assert(AlsaPortCatalog::kCapWrite == SND_SEQ_PORT_CAP_WRITE, "capability bits");
static_assert(AlsaPortCatalog::kCapSubsRead == SND_SEQ_PORT_CAP_SUBS_READ, "capability bits");
static_assert(AlsaPortCatalog::kCapSubsWrite == SND_SEQ_PORT_CAP_SUBS_WRITE, "capability bits");
static_assert(AlsaPortCatalog::kCapNoExport == SND_SEQ_PORT_CAP_NO_EXPORT, "capability bits");
static_assert(AlsaPortCatalog::kTypeMidiGeneric == SND_SEQ_PORT_TYPE_MIDI_GENERIC, "type bits");
static_assert(AlsaPortCatalog::kTypeSynth == SND_SEQ_PORT_TYPE_SYNTH, "type bits");
static_assert(AlsaPortCatalog::kTypeApplication == SND_SEQ_PORT_TYPE_APPLICATION, "type bits");
static_assert(AlsaPortCatalog::kSystemClient == SND_SEQ_CLIENT_SYSTEM, "system client");

namespace
{
const char kClientName[] = "Vaskor MIDI 5";
constexpr size_t kOutputBufferBytes = 64 * 1024;

/** Keeps the library from printing its own complaints while the sequencer
    is being opened (the backend says once what matters). */
void quietHandler(const char*, int, const char*, int, const char*, ...)
{
}

/** A record the library allocates (Make) and frees (Free) on our behalf. */
template <typename Info, auto Make, auto Free>
struct Allocated
{
    explicit Allocated(const AlsaLibrary& library) : alsa(library) { (alsa.*Make)(&info); }
    ~Allocated() { (alsa.*Free)(info); }
    Allocated(const Allocated&) = delete;
    Allocated& operator=(const Allocated&) = delete;
    const AlsaLibrary& alsa;
    Info* info = nullptr;
};
using ClientInfo =
    Allocated<snd_seq_client_info_t, &AlsaLibrary::seq_client_info_malloc, &AlsaLibrary::seq_client_info_free>;
using PortInfo = Allocated<snd_seq_port_info_t, &AlsaLibrary::seq_port_info_malloc, &AlsaLibrary::seq_port_info_free>;

AlsaPortRecord recordOf(const AlsaLibrary& alsa, const snd_seq_port_info_t* port, const std::string& clientName)
{
    AlsaPortRecord record;
    record.client = alsa.seq_port_info_get_client(port);
    record.port = alsa.seq_port_info_get_port(port);
    record.clientName = clientName;
    const char* name = alsa.seq_port_info_get_name(port);
    record.portName = name == nullptr ? "" : name;
    record.capability = alsa.seq_port_info_get_capability(port);
    record.type = alsa.seq_port_info_get_type(port);
    return record;
}
} // namespace

/** The sequencer handle, the catalog and the open ports. */
class AlsaMidiBackend::Core : public std::enable_shared_from_this<Core>
{
public:
    /** One open device: our port and whom it serves. */
    struct Link
    {
        DeviceKind kind;
        int ourPort;
        int client;
        int port;
        std::shared_ptr<OutputClient> outputClient;
        std::shared_ptr<InputClient> inputClient;
        snd_midi_event_t* coder;
        bool gone;
    };

    ~Core() { stop(); }

    /** Loads the library from libraryFile and opens the sequencer; without
        one, lets go of the library again. */
    void start(const char* libraryFile);
    void stop();
    bool isOpen()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return seq_ != nullptr;
    }
    std::string failure()
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return failure_;
    }

    UINT count(DeviceKind kind)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        return catalog_ == nullptr ? 0 : static_cast<UINT>(catalog_->devices(kind).size());
    }

    MMRESULT device(DeviceKind kind, UINT id, AlsaPortCatalog::Device& device)
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (catalog_ == nullptr || id >= catalog_->devices(kind).size())
            return MMSYSERR_BADDEVICEID;
        device = catalog_->devices(kind)[id];
        return MMSYSERR_NOERROR;
    }

    /** Opens device id of the kind for one of the clients; null link (and
        code) on failure. */
    Link* open(DeviceKind kind, UINT id, const std::shared_ptr<OutputClient>& outputClient,
               const std::shared_ptr<InputClient>& inputClient, MMRESULT& code, std::string& detail);
    /** Hands one message to the sequencer; a long message (token not 0)
        is complete once the sequencer has taken it. */
    MMRESULT send(Link& link, const BYTE* bytes, size_t length, uint64_t token, std::string& detail);
    void close(Link* link);

private:
    MMRESULT sendLocked(Link* link, const BYTE* bytes, size_t length, std::string& detail);
    void loadPorts();
    void run();
    /** Reads every waiting event (lock held); collects what to tell whom,
        marking the links whose device went away gone. */
    bool readEvents(GoneClients& gone,
                    std::vector<std::pair<std::shared_ptr<InputClient>, std::vector<BYTE>>>& arrived);
    bool announce(const snd_seq_event_t& event);
    AlsaPortRecord queryPort(int client, int port);
    std::string clientName(int client);
    MMRESULT output(Link* link, snd_seq_event_t& event, std::string& detail);

    std::mutex mutex_;
    std::shared_ptr<const AlsaLibrary> alsa_; // loaded while the sequencer is open
    snd_seq_t* seq_ = nullptr;
    std::string failure_;
    std::unique_ptr<AlsaPortCatalog> catalog_;
    std::vector<std::unique_ptr<Link>> links_;
    unsigned portNumber_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread worker_;
};

void AlsaMidiBackend::Core::start(const char* libraryFile)
{
    std::lock_guard<std::mutex> hold(mutex_);
    alsa_ = AlsaLibrary::load(failure_, libraryFile);
    if (alsa_ == nullptr)
        return;
    alsa_->lib_error_set_handler(quietHandler);
    const int opened = alsa_->seq_open(&seq_, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
    alsa_->lib_error_set_handler(nullptr);
    if (opened < 0)
    {
        seq_ = nullptr;
        failure_ = std::string("the ALSA sequencer cannot be opened (") + alsa_->strerror(opened) + ")";
        alsa_.reset();
        return;
    }
    alsa_->seq_set_client_name(seq_, kClientName);
    alsa_->seq_set_output_buffer_size(seq_, kOutputBufferBytes);
    const int announcePort = alsa_->seq_create_simple_port(
        seq_, "announce", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT, SND_SEQ_PORT_TYPE_APPLICATION);
    if (announcePort >= 0)
        alsa_->seq_connect_from(seq_, announcePort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
    catalog_ = std::make_unique<AlsaPortCatalog>(alsa_->seq_client_id(seq_));
    loadPorts();
    worker_ = std::thread([this] { run(); });
}

void AlsaMidiBackend::Core::stop()
{
    stopping_.store(true);
    if (worker_.joinable())
        worker_.join();
    std::lock_guard<std::mutex> hold(mutex_);
    for (const auto& link : links_)
        if (link->coder != nullptr)
            alsa_->midi_event_free(link->coder);
    links_.clear();
    if (seq_ != nullptr)
        alsa_->seq_close(seq_);
    seq_ = nullptr;
}

void AlsaMidiBackend::Core::loadPorts()
{
    std::vector<AlsaPortRecord> ports;
    ClientInfo client(*alsa_);
    PortInfo port(*alsa_);
    alsa_->seq_client_info_set_client(client.info, -1);
    while (alsa_->seq_query_next_client(seq_, client.info) >= 0)
    {
        const int number = alsa_->seq_client_info_get_client(client.info);
        const char* name = alsa_->seq_client_info_get_name(client.info);
        alsa_->seq_port_info_set_client(port.info, number);
        alsa_->seq_port_info_set_port(port.info, -1);
        while (alsa_->seq_query_next_port(seq_, port.info) >= 0)
            ports.push_back(recordOf(*alsa_, port.info, name == nullptr ? "" : name));
    }
    catalog_->load(ports);
}

AlsaMidiBackend::Core::Link* AlsaMidiBackend::Core::open(DeviceKind kind, UINT id,
                                                         const std::shared_ptr<OutputClient>& outputClient,
                                                         const std::shared_ptr<InputClient>& inputClient,
                                                         MMRESULT& code, std::string& detail)
{
    std::lock_guard<std::mutex> hold(mutex_);
    if (seq_ == nullptr)
    {
        code = MMSYSERR_NODRIVER;
        detail = "(" + failure_ + ")";
        return nullptr;
    }
    if (id >= catalog_->devices(kind).size())
    {
        code = MMSYSERR_BADDEVICEID;
        return nullptr;
    }
    const AlsaPortCatalog::Device device = catalog_->devices(kind)[id];
    const bool output = kind == DeviceKind::output;
    const std::string name = (output ? "out_" : "in_") + std::to_string(++portNumber_);
    const unsigned capability = output ? SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ
                                       : SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
    const int ourPort = alsa_->seq_create_simple_port(seq_, name.c_str(), capability,
                                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    snd_midi_event_t* coder = nullptr;
    if (ourPort < 0 || alsa_->midi_event_new(256, &coder) < 0)
    {
        if (ourPort >= 0)
            alsa_->seq_delete_simple_port(seq_, ourPort);
        code = MMSYSERR_NOMEM;
        detail = "(the ALSA sequencer refused a new port)";
        return nullptr;
    }
    alsa_->midi_event_no_status(coder, 1);
    const int connected = output ? alsa_->seq_connect_to(seq_, ourPort, device.client, device.port)
                                 : alsa_->seq_connect_from(seq_, ourPort, device.client, device.port);
    if (connected < 0)
    {
        alsa_->midi_event_free(coder);
        alsa_->seq_delete_simple_port(seq_, ourPort);
        code = MMSYSERR_NOTENABLED;
        detail = std::string("(") + alsa_->strerror(connected) + ")";
        return nullptr;
    }
    links_.push_back(std::make_unique<Link>(
        Link{kind, ourPort, device.client, device.port, outputClient, inputClient, coder, false}));
    code = MMSYSERR_NOERROR;
    return links_.back().get();
}

MMRESULT AlsaMidiBackend::Core::send(Link& link, const BYTE* bytes, size_t length, uint64_t token,
                                     std::string& detail)
{
    std::shared_ptr<OutputClient> client;
    MMRESULT code;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        code = sendLocked(&link, bytes, length, detail);
        client = link.outputClient;
    }
    if (code == MMSYSERR_NOERROR && token != 0)
        client->longMessageDone(token);
    return code;
}

MMRESULT AlsaMidiBackend::Core::sendLocked(Link* link, const BYTE* bytes, size_t length, std::string& detail)
{
    if (link->gone || seq_ == nullptr)
        return MIDIERR_NODEVICE;
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    if (bytes[0] == 0xF0)
    {
        if (length + sizeof event > kOutputBufferBytes)
        {
            detail = "(a SysEx of " + std::to_string(length) + " bytes is larger than the sequencer's buffer)";
            return MMSYSERR_INVALPARAM;
        }
        snd_seq_ev_set_sysex(&event, static_cast<unsigned>(length), const_cast<BYTE*>(bytes));
        return output(link, event, detail);
    }
    // Anything else goes out message by message.
    alsa_->midi_event_reset_encode(link->coder);
    size_t at = 0;
    while (at < length)
    {
        const long used = alsa_->midi_event_encode(link->coder, bytes + at, static_cast<long>(length - at), &event);
        if (used <= 0)
            return MMSYSERR_INVALPARAM;
        at += static_cast<size_t>(used);
        if (event.type == SND_SEQ_EVENT_NONE)
            continue;
        const MMRESULT code = output(link, event, detail);
        if (code != MMSYSERR_NOERROR)
            return code;
        snd_seq_ev_clear(&event);
    }
    return MMSYSERR_NOERROR;
}

MMRESULT AlsaMidiBackend::Core::output(Link* link, snd_seq_event_t& event, std::string& detail)
{
    snd_seq_ev_set_source(&event, link->ourPort);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_set_direct(&event);
    const int sent = alsa_->seq_event_output_direct(seq_, &event);
    if (sent >= 0)
        return MMSYSERR_NOERROR;
    detail = std::string("(") + alsa_->strerror(sent) + ")";
    return sent == -EAGAIN ? MIDIERR_NOTREADY : MMSYSERR_ERROR;
}

void AlsaMidiBackend::Core::close(Link* link)
{
    std::lock_guard<std::mutex> hold(mutex_);
    auto found = std::find_if(links_.begin(), links_.end(),
                              [&](const std::unique_ptr<Link>& listed) { return listed.get() == link; });
    if (found == links_.end())
        return;
    if (seq_ != nullptr)
        alsa_->seq_delete_simple_port(seq_, link->ourPort);
    alsa_->midi_event_free(link->coder);
    links_.erase(found);
}

void AlsaMidiBackend::Core::run()
{
    std::vector<pollfd> fds;
    {
        std::lock_guard<std::mutex> hold(mutex_);
        fds.resize(static_cast<size_t>(alsa_->seq_poll_descriptors_count(seq_, POLLIN)));
        alsa_->seq_poll_descriptors(seq_, fds.data(), static_cast<unsigned>(fds.size()), POLLIN);
    }
    while (!stopping_.load())
    {
        if (poll(fds.data(), fds.size(), 200) <= 0)
            continue;
        GoneClients gone;
        std::vector<std::pair<std::shared_ptr<InputClient>, std::vector<BYTE>>> arrived;
        bool changed;
        {
            std::lock_guard<std::mutex> hold(mutex_);
            changed = readEvents(gone, arrived);
        }
        for (const auto& event : arrived)
            event.first->bytesReceived(event.second.data(), event.second.size());
        gone.tell();
        if (changed)
            BroadcastDeviceChange();
    }
}

bool AlsaMidiBackend::Core::readEvents(GoneClients& gone,
                                       std::vector<std::pair<std::shared_ptr<InputClient>, std::vector<BYTE>>>& arrived)
{
    bool changed = false;
    snd_seq_event_t* event = nullptr;
    while (alsa_->seq_event_input(seq_, &event) >= 0 && event != nullptr)
    {
        if (event->source.client == SND_SEQ_CLIENT_SYSTEM)
        {
            changed = announce(*event) || changed;
            continue;
        }
        auto link = std::find_if(links_.begin(), links_.end(), [&](const std::unique_ptr<Link>& listed) {
            return listed->kind == DeviceKind::input && listed->ourPort == event->dest.port;
        });
        if (link == links_.end() || (*link)->gone)
            continue;
        std::vector<BYTE> bytes;
        if (event->type == SND_SEQ_EVENT_SYSEX)
        {
            const auto* data = static_cast<const BYTE*>(event->data.ext.ptr);
            bytes.assign(data, data + event->data.ext.len);
        }
        else
        {
            BYTE decoded[16];
            const long length = alsa_->midi_event_decode((*link)->coder, decoded, sizeof decoded, event);
            if (length > 0)
                bytes.assign(decoded, decoded + length);
        }
        if (!bytes.empty())
            arrived.emplace_back((*link)->inputClient, std::move(bytes));
    }
    for (const auto& link : links_)
        if (!catalog_->contains(link->kind, link->client, link->port))
            gone.collect(*link);
    return changed;
}

bool AlsaMidiBackend::Core::announce(const snd_seq_event_t& event)
{
    const snd_seq_addr_t& address = event.data.addr;
    switch (event.type)
    {
    case SND_SEQ_EVENT_PORT_START:
        return catalog_->portStarted(queryPort(address.client, address.port));
    case SND_SEQ_EVENT_PORT_CHANGE:
        return catalog_->portChanged(queryPort(address.client, address.port));
    case SND_SEQ_EVENT_PORT_EXIT:
        return catalog_->portExited(address.client, address.port);
    case SND_SEQ_EVENT_CLIENT_EXIT:
        return catalog_->clientExited(address.client);
    case SND_SEQ_EVENT_CLIENT_CHANGE:
        return catalog_->clientRenamed(address.client, clientName(address.client));
    default:
        return false;
    }
}

AlsaPortRecord AlsaMidiBackend::Core::queryPort(int client, int port)
{
    PortInfo info(*alsa_);
    AlsaPortRecord record;
    if (alsa_->seq_get_any_port_info(seq_, client, port, info.info) >= 0)
        record = recordOf(*alsa_, info.info, clientName(client));
    record.client = client;
    record.port = port;
    return record;
}

std::string AlsaMidiBackend::Core::clientName(int client)
{
    ClientInfo info(*alsa_);
    if (alsa_->seq_get_any_client_info(seq_, client, info.info) < 0)
        return std::string();
    const char* name = alsa_->seq_client_info_get_name(info.info);
    return name == nullptr ? std::string() : std::string(name);
}

AlsaMidiBackend::AlsaMidiBackend() : AlsaMidiBackend(AlsaLibrary::kFileName)
{
}

AlsaMidiBackend::AlsaMidiBackend(const char* libraryFile) : core_(std::make_shared<Core>())
{
    core_->start(libraryFile);
}

AlsaMidiBackend::~AlsaMidiBackend()
{
    core_->stop();
}

bool AlsaMidiBackend::isOpen() const
{
    return core_->isOpen();
}

std::string AlsaMidiBackend::failure() const
{
    return core_->failure();
}

UINT AlsaMidiBackend::deviceCount(DeviceKind kind)
{
    return core_->count(kind);
}

MMRESULT AlsaMidiBackend::productName(DeviceKind kind, UINT id, std::string& name)
{
    AlsaPortCatalog::Device device;
    const MMRESULT code = core_->device(kind, id, device);
    if (code == MMSYSERR_NOERROR)
        name = device.name;
    return code;
}

MMRESULT AlsaMidiBackend::interfacePath(DeviceKind kind, UINT id, std::string& path)
{
    AlsaPortCatalog::Device device;
    const MMRESULT code = core_->device(kind, id, device);
    if (code == MMSYSERR_NOERROR)
        path = device.identity;
    return code;
}

OutputOpenOutcome AlsaMidiBackend::openOutput(UINT id, const std::shared_ptr<OutputClient>& client)
{
    return openLinkedOutput(core_, id, client);
}

InputOpenOutcome AlsaMidiBackend::openInput(UINT id, const std::shared_ptr<InputClient>& client)
{
    return openLinkedInput(core_, id, client);
}
} // namespace PlatformMidi
