// A MIDI input's data listener for tests: keeps every call, from whichever
// thread the driver makes it on.
#pragma once

#include "MidiListeners.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace TestSupport
{
class MidiDataCollector : public Tr::TMidiDeviceDataListener
{
public:
    struct Call
    {
        Tr::TMidiDeviceBase* port;
        uint64_t timeStamp;
        std::vector<unsigned char> bytes;
    };

    void onMidiData(Tr::TMidiDeviceBase* port, uint64_t timeStamp, const unsigned char* data, int length) override
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_calls.push_back({port, timeStamp, std::vector<unsigned char>(data, data + length)});
    }

    std::vector<Call> calls()
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        return m_calls;
    }

    /** The bytes of every call, in order. */
    std::vector<std::vector<unsigned char>> bytes()
    {
        std::vector<std::vector<unsigned char>> all;
        for (const Call& call : calls())
            all.push_back(call.bytes);
        return all;
    }

    void clear()
    {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_calls.clear();
    }

private:
    std::mutex m_mutex;
    std::vector<Call> m_calls;
};
} // namespace TestSupport
