// What copying a string costs: a Tr::TString copy adds one reference to the
// shared buffer (one atomic increment, its destruction one decrement) and
// allocates nothing, whatever the length; a std::string copy allocates once
// its text is longer than the small-string buffer.

#include "TString.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <string>

namespace {

std::atomic<long> g_allocations{0};

const char* const kShortText = "Vaskor";   // fits std::string's inline buffer
const std::string kLongText = "/home/user/Documents/Vaskor Devices/banks/" + std::string(100, 'x') + ".syx";

/** std::allocator that counts its allocations. */
template <typename T>
struct CountingAllocator : std::allocator<T>
{
    using value_type = T;
    CountingAllocator() = default;
    template <typename U>
    CountingAllocator(const CountingAllocator<U>&) {}
    template <typename U>
    struct rebind { using other = CountingAllocator<U>; };

    T* allocate(std::size_t n)
    {
        g_allocations.fetch_add(1, std::memory_order_relaxed);
        return std::allocator<T>::allocate(n);
    }
};

/** A std::string whose allocations are counted. */
using CountedString = std::basic_string<char, std::char_traits<char>, CountingAllocator<char>>;

/** Copies a Tr::TString and destroys the copy; counts copies that did not
    share the source's buffer (each would have been an allocation). */
void copyTString(benchmark::State& state, const char* text)
{
    const Tr::TString source(text);
    long newBuffers = 0;
    for (auto _ : state)
    {
        Tr::TString copy(source);
        benchmark::DoNotOptimize(copy.c_str());
        newBuffers += copy.c_str() != source.c_str();
    }
    state.counters["new_buffers_per_copy"] =
        benchmark::Counter(static_cast<double>(newBuffers), benchmark::Counter::kAvgIterations);
}

void copyStdString(benchmark::State& state, const std::string& text)
{
    const CountedString source(text.c_str());
    const long before = g_allocations.load();
    for (auto _ : state)
    {
        CountedString copy(source);
        benchmark::DoNotOptimize(copy.data());
    }
    state.counters["allocations_per_copy"] = benchmark::Counter(
        static_cast<double>(g_allocations.load() - before), benchmark::Counter::kAvgIterations);
}

void BM_TStringCopyShort(benchmark::State& state) { copyTString(state, kShortText); }
void BM_TStringCopyLong(benchmark::State& state) { copyTString(state, kLongText.c_str()); }
void BM_StdStringCopyShort(benchmark::State& state) { copyStdString(state, kShortText); }
void BM_StdStringCopyLong(benchmark::State& state) { copyStdString(state, kLongText); }

// The floor a shared-buffer copy cannot go below: one atomic increment and
// the matching decrement of a count.
void BM_AtomicIncrementDecrement(benchmark::State& state)
{
    std::atomic<int> count{1};
    for (auto _ : state)
    {
        count.fetch_add(1, std::memory_order_relaxed);
        benchmark::DoNotOptimize(count.fetch_sub(1, std::memory_order_acq_rel));
    }
}

void BM_TStringAssignLong(benchmark::State& state)
{
    const Tr::TString a(kLongText.c_str());
    const Tr::TString b(kLongText.c_str());
    Tr::TString target;
    for (auto _ : state)
    {
        target = a;
        target = b;
        benchmark::DoNotOptimize(target.c_str());
    }
    state.SetItemsProcessed(state.iterations() * 2);
}

void BM_TStringDefaultConstruct(benchmark::State& state)
{
    for (auto _ : state)
    {
        Tr::TString empty;
        benchmark::DoNotOptimize(empty.c_str());
    }
}

// Copies of one buffer on several threads: the count's cache line is contended.
const Tr::TString g_sharedLong(kLongText.c_str());

void BM_TStringCopySharedAcrossThreads(benchmark::State& state)
{
    for (auto _ : state)
    {
        Tr::TString copy(g_sharedLong);
        benchmark::DoNotOptimize(copy.c_str());
    }
}

} // namespace

BENCHMARK(BM_TStringCopyShort);
BENCHMARK(BM_TStringCopyLong);
BENCHMARK(BM_StdStringCopyShort);
BENCHMARK(BM_StdStringCopyLong);
BENCHMARK(BM_AtomicIncrementDecrement);
BENCHMARK(BM_TStringAssignLong);
BENCHMARK(BM_TStringDefaultConstruct);
BENCHMARK(BM_TStringCopySharedAcrossThreads)->Threads(1)->Threads(2);

BENCHMARK_MAIN();
