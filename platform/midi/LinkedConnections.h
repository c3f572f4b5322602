// The connections of the backends that keep their open ports in a core of
// their own (JACK, ALSA): each forwards to its core through the link the
// core made at the open.
#pragma once

#include "midi/MidiBackend.h"

#include <memory>
#include <mutex>

namespace PlatformMidi
{
/**
    An output whose sends and close go to its core. The core answers
    open(kind, id, outputClient, inputClient, code, detail) with a new link
    (or null), send(link, bytes, length, token, detail) and close(link); a
    closed connection (or one destroyed without a close) answers 5.
*/
template <typename Core>
class LinkedOutputConnection final : public OutputConnection
{
public:
    using Link = typename Core::Link;

    LinkedOutputConnection(std::shared_ptr<Core> core, Link* link) : core_(std::move(core)), link_(link) {}
    ~LinkedOutputConnection() override { close(); }

    MMRESULT sendShort(const BYTE* bytes, size_t length, std::string& detail) override
    {
        return send(bytes, length, 0, detail);
    }

    MMRESULT sendLong(const BYTE* bytes, size_t length, uint64_t token, std::string& detail) override
    {
        return send(bytes, length, token, detail);
    }

    void close() override
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (link_ != nullptr)
            core_->close(link_);
        link_ = nullptr;
    }

private:
    MMRESULT send(const BYTE* bytes, size_t length, uint64_t token, std::string& detail)
    {
        std::lock_guard<std::mutex> hold(mutex_); // one sender at a time per port
        return link_ == nullptr ? MMSYSERR_INVALHANDLE : core_->send(*link_, bytes, length, token, detail);
    }

    const std::shared_ptr<Core> core_;
    std::mutex mutex_;
    Link* link_;
};

/** An input whose close goes to its core (the core hands received bytes to
    the link's client itself). */
template <typename Core>
class LinkedInputConnection final : public InputConnection
{
public:
    using Link = typename Core::Link;

    LinkedInputConnection(std::shared_ptr<Core> core, Link* link) : core_(std::move(core)), link_(link) {}
    ~LinkedInputConnection() override { close(); }

    void close() override
    {
        std::lock_guard<std::mutex> hold(mutex_);
        if (link_ != nullptr)
            core_->close(link_);
        link_ = nullptr;
    }

private:
    const std::shared_ptr<Core> core_;
    std::mutex mutex_;
    Link* link_;
};

template <typename Core>
OutputOpenOutcome openLinkedOutput(const std::shared_ptr<Core>& core, UINT id,
                                   const std::shared_ptr<OutputClient>& client)
{
    OutputOpenOutcome outcome;
    if (auto* link = core->open(DeviceKind::output, id, client, nullptr, outcome.code, outcome.detail))
        outcome.connection = std::make_shared<LinkedOutputConnection<Core>>(core, link);
    return outcome;
}

template <typename Core>
InputOpenOutcome openLinkedInput(const std::shared_ptr<Core>& core, UINT id, const std::shared_ptr<InputClient>& client)
{
    InputOpenOutcome outcome;
    if (auto* link = core->open(DeviceKind::input, id, nullptr, client, outcome.code, outcome.detail))
        outcome.connection = std::make_shared<LinkedInputConnection<Core>>(core, link);
    return outcome;
}
} // namespace PlatformMidi
