// The advanced log's cost per entry: the call every logged operation makes while the log is
// off, and an entry while it is on, against a minimal list of stamped lines doing the same.
#include "base/smartlog.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <deque>
#include <string>
#include <vector>

using namespace keltrix;

static void BM_LogAddOff(benchmark::State& state) {
    smartlog::Install(nullptr);
    for (auto _ : state) LogAdd("GetInfo (Don't force)");
}
BENCHMARK(BM_LogAddOff);

static void BM_LogAddOn(benchmark::State& state) {
    TSmartLog log("KeltrixBeta");
    log.SetTimeStamps(true);
    log.SetMaxLines(static_cast<std::int32_t>(state.range(0)));
    smartlog::Install(&log);
    for (auto _ : state) LogAdd("GetInfo (Don't force)");
    smartlog::Install(nullptr);
}
// 0 keeps everything; 100 drops the oldest entry on every add.
BENCHMARK(BM_LogAddOn)->Arg(0)->Arg(100);

// The same work without the log: a stamp, the text, a list; the oldest dropped when limited.
static void BM_MinimalStampedList(benchmark::State& state) {
    std::deque<std::string> lines;
    const std::size_t limit = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        char buf[64];
        std::string entry(buf, std::strftime(buf, sizeof buf, "%x %X", &tm));
        entry += " GetInfo (Don't force)";
        lines.push_back(std::move(entry));
        if (limit && lines.size() > limit) lines.pop_front();
    }
    benchmark::DoNotOptimize(lines);
}
BENCHMARK(BM_MinimalStampedList)->Arg(0)->Arg(100);

BENCHMARK_MAIN();
