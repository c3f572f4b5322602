// The in-memory devices, their scripts and records, under one lock. Clients
// are called after the lock is released: their callbacks may call back into
// the backend.
#include "midi/MemoryMidiBackend.h"

#include "midi/MidiDeviceNames.h"
#include "midi/MidiInputParser.h"
#include "windows/PlatformMessageWindows.h"

#include <algorithm>
#include <type_traits>

namespace PlatformMidi
{
namespace
{
/** A long message waiting for releaseCompletions. */
struct Held
{
    std::shared_ptr<OutputClient> client;
    uint64_t token;
};

/** One open connection of a device. */
struct Open
{
    uint64_t id;
    std::shared_ptr<OutputClient> output;
    std::shared_ptr<InputClient> input;
};
} // namespace

struct MemoryMidiBackend::Device
{
    DeviceKind kind = DeviceKind::output;
    std::string name;
    std::string path;
    bool present = true;
    MMRESULT capsError = MMSYSERR_NOERROR;
    bool pathSizeScripted = false;
    MMRESULT pathSizeError = MMSYSERR_NOERROR;
    ULONG pathSize = 0;
    MMRESULT pathError = MMSYSERR_NOERROR;
    MMRESULT openError = MMSYSERR_NOERROR;
    OpenFailure openFailure = OpenFailure::noHandle;
    std::string openDetail;
    MMRESULT longError = MMSYSERR_NOERROR;
    std::vector<std::pair<unsigned, MMRESULT>> refusedNumbers;
    unsigned longOffered = 0;
    Completion completion = Completion::immediate;
    std::vector<Held> held;
    std::vector<Message> received;
    unsigned capsQueries = 0;
    unsigned pathSizeQueries = 0;
    unsigned pathQueries = 0;
    MMRESULT bufferError = MMSYSERR_NOERROR;
    MMRESULT startError = MMSYSERR_NOERROR;
    unsigned resets = 0;
    std::vector<Open> opens;
};

struct MemoryMidiBackend::State
{
    mutable std::mutex mutex;
    std::vector<Device> devices; // by key
    std::vector<int> present[2]; // keys by device id, per kind
    uint64_t nextOpen = 0;

    std::vector<int>& list(DeviceKind kind) { return present[kind == DeviceKind::output ? 0 : 1]; }

    /** The present device of this kind and id, or null. */
    Device* byId(DeviceKind kind, UINT id)
    {
        std::vector<int>& keys = list(kind);
        return id < keys.size() ? &devices[keys[id]] : nullptr;
    }

    Device& byKey(int key) { return devices.at(static_cast<size_t>(key)); }
    const Device& byKey(int key) const { return devices.at(static_cast<size_t>(key)); }

    void close(int key, uint64_t openId)
    {
        std::lock_guard<std::mutex> hold(mutex);
        Device& device = byKey(key);
        auto open = std::find_if(device.opens.begin(), device.opens.end(),
                                 [&](const Open& entry) { return entry.id == openId; });
        if (open == device.opens.end())
            return;
        device.held.erase(std::remove_if(device.held.begin(), device.held.end(),
                                         [&](const Held& held) { return held.client == open->output; }),
                          device.held.end());
        device.opens.erase(open);
    }
};

namespace
{
using Device = MemoryMidiBackend::Device;
using State = MemoryMidiBackend::State;
using Completion = MemoryMidiBackend::Completion;
using OpenFailure = MemoryMidiBackend::OpenFailure;

/** An open output: records what it is given and completes as scripted. */
class MemoryOutputConnection final : public OutputConnection
{
public:
    MemoryOutputConnection(std::shared_ptr<State> state, int key, uint64_t openId,
                           std::shared_ptr<OutputClient> client)
        : state_(std::move(state)), key_(key), openId_(openId), client_(std::move(client))
    {
    }

    MMRESULT sendShort(const BYTE* bytes, size_t length, std::string&) override
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        Device& device = state_->byKey(key_);
        if (!device.present)
            return MIDIERR_NODEVICE;
        device.received.push_back({false, std::vector<BYTE>(bytes, bytes + length)});
        return MMSYSERR_NOERROR;
    }

    MMRESULT sendLong(const BYTE* bytes, size_t length, uint64_t token, std::string& detail) override
    {
        Completion completion;
        {
            std::lock_guard<std::mutex> hold(state_->mutex);
            Device& device = state_->byKey(key_);
            if (!device.present)
                return MIDIERR_NODEVICE;
            const unsigned number = ++device.longOffered;
            MMRESULT refusal = device.longError;
            for (const auto& refused : device.refusedNumbers)
                if (refused.first == number)
                    refusal = refused.second;
            if (refusal != MMSYSERR_NOERROR)
            {
                detail = "(the test refused long message " + std::to_string(number) + ")";
                return refusal;
            }
            device.received.push_back({true, std::vector<BYTE>(bytes, bytes + length)});
            completion = device.completion;
            if (completion == Completion::held)
                device.held.push_back({client_, token});
        }
        if (completion == Completion::held)
            return MMSYSERR_NOERROR;
        client_->longMessageDone(token);
        if (completion == Completion::beforeReturn)
            client_->flushCallbacks();
        return MMSYSERR_NOERROR;
    }

    void close() override { state_->close(key_, openId_); }

private:
    const std::shared_ptr<State> state_;
    const int key_;
    const uint64_t openId_;
    const std::shared_ptr<OutputClient> client_;
};

/** An open input: the bytes come from MemoryMidiBackend::feed. */
class MemoryInputConnection final : public InputConnection
{
public:
    MemoryInputConnection(std::shared_ptr<State> state, int key, uint64_t openId)
        : state_(std::move(state)), key_(key), openId_(openId)
    {
    }

    void close() override { state_->close(key_, openId_); }

    MMRESULT acceptBuffer() override
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        return state_->byKey(key_).bufferError;
    }

    MMRESULT start() override
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        return state_->byKey(key_).startError;
    }

    void reset() override
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        ++state_->byKey(key_).resets;
    }

private:
    const std::shared_ptr<State> state_;
    const int key_;
    const uint64_t openId_;
};

/** The open of either kind, as the device's script says. */
template <typename Connection, typename Client, typename Make>
OpenOutcome<Connection> openDevice(State& state, DeviceKind kind, UINT id, const std::shared_ptr<Client>& client,
                                   Make make)
{
    OpenOutcome<Connection> outcome;
    std::lock_guard<std::mutex> hold(state.mutex);
    Device* device = state.byId(kind, id);
    if (device == nullptr)
    {
        outcome.code = MMSYSERR_BADDEVICEID;
        return outcome;
    }
    outcome.code = device->openError;
    outcome.detail = device->openDetail;
    if (outcome.code != MMSYSERR_NOERROR && device->openFailure != OpenFailure::workingHandle)
    {
        outcome.invalidHandle = device->openFailure == OpenFailure::invalidHandle;
        return outcome;
    }
    const uint64_t openId = ++state.nextOpen;
    Open open{openId, nullptr, nullptr};
    if constexpr (std::is_same<Client, OutputClient>::value)
        open.output = client;
    else
        open.input = client;
    device->opens.push_back(open);
    const int key = static_cast<int>(device - state.devices.data());
    outcome.connection = make(key, openId);
    return outcome;
}
} // namespace

MemoryMidiBackend::MemoryMidiBackend() : state_(std::make_shared<State>())
{
}

MemoryMidiBackend::~MemoryMidiBackend() = default;

int MemoryMidiBackend::addOutput(const std::string& name, const std::string& interfacePath)
{
    return add(DeviceKind::output, name, interfacePath);
}

int MemoryMidiBackend::addInput(const std::string& name, const std::string& interfacePath)
{
    return add(DeviceKind::input, name, interfacePath);
}

int MemoryMidiBackend::add(DeviceKind kind, const std::string& name, const std::string& interfacePath)
{
    int key;
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        key = static_cast<int>(state_->devices.size());
        Device device;
        device.kind = kind;
        device.name = name;
        device.path = interfacePath;
        state_->devices.push_back(std::move(device));
        state_->list(kind).push_back(key);
    }
    BroadcastDeviceChange();
    return key;
}

void MemoryMidiBackend::rename(int device, const std::string& name)
{
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        state_->byKey(device).name = name;
    }
    BroadcastDeviceChange();
}

void MemoryMidiBackend::remove(int key)
{
    std::vector<Open> opens;
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        Device& device = state_->byKey(key);
        if (!device.present)
            return;
        device.present = false;
        device.held.clear();
        opens = device.opens;
        std::vector<int>& keys = state_->list(device.kind);
        keys.erase(std::remove(keys.begin(), keys.end(), key), keys.end());
    }
    for (const Open& open : opens)
    {
        if (open.output != nullptr)
            open.output->deviceGone();
        if (open.input != nullptr)
            open.input->deviceGone();
    }
    BroadcastDeviceChange();
}

void MemoryMidiBackend::failCaps(int device, MMRESULT code)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->byKey(device).capsError = code;
}

void MemoryMidiBackend::setInterfacePath(int device, const std::string& path)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->byKey(device).path = path;
}

void MemoryMidiBackend::answerPathSize(int device, MMRESULT code, ULONG size)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    Device& found = state_->byKey(device);
    found.pathSizeScripted = true;
    found.pathSizeError = code;
    found.pathSize = size;
}

void MemoryMidiBackend::failPath(int device, MMRESULT code)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->byKey(device).pathError = code;
}

void MemoryMidiBackend::failOpen(int device, MMRESULT code, OpenFailure handle, const std::string& detail)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    Device& found = state_->byKey(device);
    found.openError = code;
    found.openFailure = handle;
    found.openDetail = detail;
}

void MemoryMidiBackend::refuseLongMessages(int device, MMRESULT code)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->byKey(device).longError = code;
}

void MemoryMidiBackend::refuseLongMessage(int device, unsigned number, MMRESULT code)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->byKey(device).refusedNumbers.emplace_back(number, code);
}

void MemoryMidiBackend::setCompletion(int device, Completion completion)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->byKey(device).completion = completion;
}

void MemoryMidiBackend::failInputBuffers(int device, MMRESULT code)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->byKey(device).bufferError = code;
}

void MemoryMidiBackend::failInputStart(int device, MMRESULT code)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->byKey(device).startError = code;
}

size_t MemoryMidiBackend::releaseCompletions(int device, size_t count)
{
    std::vector<Held> released;
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        std::vector<Held>& held = state_->byKey(device).held;
        const size_t taken = std::min(count, held.size());
        released.assign(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(taken));
        held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(taken));
    }
    for (const Held& completion : released)
        completion.client->longMessageDone(completion.token);
    return released.size();
}

size_t MemoryMidiBackend::heldCompletions(int device) const
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    return state_->byKey(device).held.size();
}

std::vector<MemoryMidiBackend::Message> MemoryMidiBackend::received(int device) const
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    return state_->byKey(device).received;
}

void MemoryMidiBackend::clearReceived(int device)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    state_->byKey(device).received.clear();
}

unsigned MemoryMidiBackend::capsQueries(int device) const
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    return state_->byKey(device).capsQueries;
}

unsigned MemoryMidiBackend::pathSizeQueries(int device) const
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    return state_->byKey(device).pathSizeQueries;
}

unsigned MemoryMidiBackend::pathQueries(int device) const
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    return state_->byKey(device).pathQueries;
}

unsigned MemoryMidiBackend::openConnections(int device) const
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    return static_cast<unsigned>(state_->byKey(device).opens.size());
}

unsigned MemoryMidiBackend::inputResets(int device) const
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    return state_->byKey(device).resets;
}

bool MemoryMidiBackend::feed(int device, const std::vector<BYTE>& bytes)
{
    std::vector<Open> opens;
    {
        std::lock_guard<std::mutex> hold(state_->mutex);
        opens = state_->byKey(device).opens;
    }
    for (const Open& open : opens)
        if (open.input != nullptr)
            open.input->bytesReceived(bytes.data(), bytes.size());
    return !opens.empty();
}

bool MemoryMidiBackend::feedShort(int device, DWORD packed)
{
    std::vector<BYTE> bytes{static_cast<BYTE>(packed), static_cast<BYTE>(packed >> 8),
                            static_cast<BYTE>(packed >> 16)};
    bytes.resize(std::max<size_t>(1, MidiInputParser::messageLength(bytes[0])));
    return feed(device, bytes);
}

UINT MemoryMidiBackend::deviceCount(DeviceKind kind)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    return static_cast<UINT>(state_->list(kind).size());
}

MMRESULT MemoryMidiBackend::productName(DeviceKind kind, UINT id, std::string& name)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    Device* device = state_->byId(kind, id);
    if (device == nullptr)
        return MMSYSERR_BADDEVICEID;
    ++device->capsQueries;
    if (device->capsError != MMSYSERR_NOERROR)
        return device->capsError;
    name = device->name;
    return MMSYSERR_NOERROR;
}

MMRESULT MemoryMidiBackend::interfacePath(DeviceKind kind, UINT id, std::string& path)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    Device* device = state_->byId(kind, id);
    if (device == nullptr)
        return MMSYSERR_BADDEVICEID;
    ++device->pathQueries;
    if (device->pathError != MMSYSERR_NOERROR)
        return device->pathError;
    path = device->path;
    return MMSYSERR_NOERROR;
}

MMRESULT MemoryMidiBackend::interfacePathSize(DeviceKind kind, UINT id, ULONG& bytes)
{
    std::lock_guard<std::mutex> hold(state_->mutex);
    Device* device = state_->byId(kind, id);
    if (device == nullptr)
        return MMSYSERR_BADDEVICEID;
    ++device->pathSizeQueries;
    if (device->pathSizeScripted)
    {
        if (device->pathSizeError == MMSYSERR_NOERROR)
            bytes = device->pathSize;
        return device->pathSizeError;
    }
    if (device->pathError != MMSYSERR_NOERROR)
        return device->pathError;
    bytes = utf16Bytes(device->path);
    return MMSYSERR_NOERROR;
}

OutputOpenOutcome MemoryMidiBackend::openOutput(UINT id, const std::shared_ptr<OutputClient>& client)
{
    return openDevice<OutputConnection>(*state_, DeviceKind::output, id, client, [&](int key, uint64_t openId) {
        return std::make_shared<MemoryOutputConnection>(state_, key, openId, client);
    });
}

InputOpenOutcome MemoryMidiBackend::openInput(UINT id, const std::shared_ptr<InputClient>& client)
{
    return openDevice<InputConnection>(*state_, DeviceKind::input, id, client, [&](int key, uint64_t openId) {
        return std::make_shared<MemoryInputConnection>(state_, key, openId);
    });
}
} // namespace PlatformMidi
