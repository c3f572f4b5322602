// How long the bank takes from Tr::MidiManager::send to the device: the
// manager sends the 690-byte default bank to a port opened through it over
// the JACK backend, and a JACK client of the benchmark's own receives it. The
// time runs from just before send to the receiving client's process callback
// that finds the bank's last byte in its port buffer, both read from JACK's
// clock (jack_get_time). Between sends the benchmark waits a random part of
// a period, so that the sends fall on every phase of the JACK cycle.
//
// Needs a JACK server (bench/send-latency starts one: dummy driver, 48 kHz,
// 256 frames a period). Reports the median and the 99th percentile in JACK
// periods and in milliseconds.

#include "AutoDelete.h"
#include "MidiManager.h"
#include "MidiManagerDev.h"
#include "TemplateBank.h"

#include "midi/JackMidiBackend.h"
#include "midi/MidiBackendChoice.h"

#include <benchmark/benchmark.h>
#include <jack/jack.h>
#include <jack/midiport.h>
#include <juce_events/juce_events.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kSends = 1000;
const char kSinkClient[] = "vaskor-latency-sink";
const char kSinkPort[] = "bank-sink";

/** A JACK client with one MIDI input port whose process callback notes the
    JACK time of every cycle that brings a whole bank. */
class BankSink
{
public:
    BankSink()
    {
        client_ = jack_client_open(kSinkClient, JackNoStartServer, nullptr);
        if (client_ == nullptr)
            return;
        port_ = jack_port_register(client_, kSinkPort, JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        jack_set_process_callback(client_, &BankSink::process, this);
        if (port_ == nullptr || jack_activate(client_) != 0)
        {
            jack_client_close(client_);
            client_ = nullptr;
        }
    }
    ~BankSink()
    {
        if (client_ == nullptr)
            return;
        jack_deactivate(client_);
        jack_client_close(client_);
    }
    BankSink(const BankSink&) = delete;
    BankSink& operator=(const BankSink&) = delete;

    bool isOpen() const { return client_ != nullptr; }
    /** The length of one period in microseconds. */
    double periodMicros() const
    {
        return 1e6 * jack_get_buffer_size(client_) / static_cast<double>(jack_get_sample_rate(client_));
    }

    int arrivals() const { return arrivals_.load(std::memory_order_acquire); }
    int broken() const { return broken_.load(std::memory_order_relaxed); }
    jack_time_t lastArrival() const { return lastArrival_.load(std::memory_order_relaxed); }

private:
    static int process(jack_nframes_t frames, void* arg)
    {
        BankSink& sink = *static_cast<BankSink*>(arg);
        void* buffer = jack_port_get_buffer(sink.port_, frames);
        const uint32_t count = jack_midi_get_event_count(buffer);
        for (uint32_t i = 0; i < count; ++i)
        {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0)
                continue;
            if (event.size != defaultTemplateSize ||
                std::memcmp(event.buffer, defaultTemplate.data(), defaultTemplateSize) != 0)
            {
                sink.broken_.fetch_add(1, std::memory_order_relaxed);
                continue;
            }
            sink.lastArrival_.store(jack_get_time(), std::memory_order_relaxed);
            sink.arrivals_.fetch_add(1, std::memory_order_release);
        }
        return 0;
    }

    jack_client_t* client_ = nullptr;
    jack_port_t* port_ = nullptr;
    std::atomic<int> arrivals_{0};
    std::atomic<int> broken_{0};
    std::atomic<jack_time_t> lastArrival_{0};
};

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return true;
}

double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const size_t rank = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[rank];
}

void BM_BankSendToJackClient(benchmark::State& state)
{
    juce::ScopedJuceInitialiser_GUI juce; // the manager's timers
    BankSink sink; // before the backend, which lists the ports when it connects
    if (!sink.isOpen())
    {
        state.SkipWithError("no JACK server answers (bench/send-latency starts one)");
        return;
    }
    auto backend = std::make_shared<PlatformMidi::JackMidiBackend>();
    PlatformMidi::MidiBackendChoice::install(backend);
    Tr::MidiManager* manager = Tr::MidiManager::getInstance();
    manager->rescan(false, true);
    manager->setSuspended(false);
    // JACK ports are listed under their full names, "client:port".
    const std::string sinkName = std::string(kSinkClient) + ":" + kSinkPort;
    const int index = manager->findDeviceByName(sinkName.c_str(), false);
    if (index >= 0)
        manager->openDevice(index, false, false);
    if (index < 0 || !manager->getDevice(index, false)->isOpen())
    {
        state.SkipWithError("the manager could not open the sink's port");
        Tr::AutoDelete::deleteAll();
        return;
    }

    const double period = sink.periodMicros();
    std::mt19937 random(690);
    std::uniform_int_distribution<int> phase(0, static_cast<int>(period));
    std::vector<double> micros;
    micros.reserve(kSends);
    int lost = 0;
    int refused = 0;
    for (auto _ : state)
    {
        for (int i = 0; i < kSends; ++i)
        {
            std::this_thread::sleep_for(std::chrono::microseconds(phase(random)));
            const int before = sink.arrivals();
            const jack_time_t sent = jack_get_time();
            if (!manager->send(defaultTemplate.data(), defaultTemplateSize))
            {
                ++refused;
                continue;
            }
            if (!waitUntil([&] { return sink.arrivals() > before; }, std::chrono::milliseconds(1000)))
            {
                ++lost;
                continue;
            }
            micros.push_back(static_cast<double>(sink.lastArrival() - sent));
        }
    }
    Tr::AutoDelete::deleteAll(); // closes the port while the backend is still there
    PlatformMidi::MidiBackendChoice::install(nullptr);

    if (micros.empty())
    {
        state.SkipWithError("no bank arrived");
        return;
    }
    const double median = percentile(micros, 0.5);
    const double p99 = percentile(micros, 0.99);
    state.counters["sends"] = static_cast<double>(micros.size() + static_cast<size_t>(lost + refused));
    state.counters["refused"] = refused;
    state.counters["lost"] = lost;
    state.counters["broken"] = sink.broken();
    state.counters["period_ms"] = period / 1000.0;
    state.counters["median_ms"] = median / 1000.0;
    state.counters["p99_ms"] = p99 / 1000.0;
    state.counters["max_ms"] = percentile(micros, 1.0) / 1000.0;
    state.counters["median_periods"] = median / period;
    state.counters["p99_periods"] = p99 / period;
}
BENCHMARK(BM_BankSendToJackClient)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
