// Reassembly throughput: aligned answers, and noise that forces resynchronisation.
#include "measure/raw_data.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace keltrix;

static void BM_FeedAligned(benchmark::State& state) {
    const std::size_t readSize = static_cast<std::size_t>(state.range(0));
    std::vector<std::uint8_t> stream(RecordSize * 64);
    for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<std::uint8_t>(i * 31);
    for (std::size_t r = 0; r < 64; ++r) stream[r * RecordSize] = RecordMarker;
    TRawDataShell shell;
    std::size_t records = 0;
    shell.OnData = [&](TRawDataShell&) { ++records; };
    for (auto _ : state) {
        for (std::size_t i = 0; i < stream.size(); i += readSize)
            shell.Feed(stream.data() + i, std::min(readSize, stream.size() - i));
    }
    benchmark::DoNotOptimize(records);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_FeedAligned)->Arg(1024)->Arg(300);

static void BM_FeedNoise(benchmark::State& state) {
    std::vector<std::uint8_t> stream(1024 * 64);
    std::uint32_t x = 12345;
    for (auto& b : stream) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 16);
    }
    TRawDataShell shell;
    for (auto _ : state) {
        for (std::size_t i = 0; i < stream.size(); i += 1024) shell.Feed(stream.data() + i, 1024);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_FeedNoise);

BENCHMARK_MAIN();
