// The sampling cycle on the running machine: one sample with the display refresh of the default
// format string, one sample of every block, and each block alone. Compare the all-blocks
// sample with minimal_reads, which reads the same /proc files by hand.

#include "measure/net_counters.h"
#include "measure/perf_reader.h"
#include "measure/sampling_cycle.h"
#include "settings/default_format.h"
#include "tags/formatters.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace keltrix;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 2;
    }
    return lines;
}

// The program's objects for one run, with the refresh of its display.
struct TMonitor {
    TRawDataShell Shell;
    TFormatterList Formatters = CreateFormatters(Shell);
    std::vector<std::string> FormatLines;
    std::string Caption;
    std::unique_ptr<TSamplingCycle> Cycle;

    explicit TMonitor(const std::string& formatString) {
        for (auto& f : Formatters) f->DecideIfActive(formatString);
        FormatLines = Lines(formatString);
        Cycle = std::make_unique<TSamplingCycle>(Shell, Formatters);
        Cycle->OnRefresh = [this] { Refresh(); };
    }
    void Refresh() {
        Caption.clear();
        for (const std::string& raw : FormatLines) {
            std::string line = raw;
            for (const auto& f : Formatters) line = f->ApplyTags(std::move(line));
            Caption += line;
            Caption += '\n';
        }
        benchmark::DoNotOptimize(Caption.data());
    }
};

// The processor clock of the performance data moves in clock ticks (10 ms). A sample in the
// same tick as the one before has no time span, and the process block then does nothing; a
// timer tick of a second always has one. Waiting (untimed) measures the block doing its work.
void NextClockTick(benchmark::State& state) {
    state.PauseTiming();
    std::this_thread::sleep_for(std::chrono::milliseconds(11));
    state.ResumeTiming();
}

std::string DefaultFormat() {
    TRawDataShell shell;
    return DefaultFormatString(CreateFormatters(shell));
}

void BM_GetInfoDefaultFormat(benchmark::State& state) {
    TMonitor monitor(DefaultFormat());
    for (auto _ : state) monitor.Cycle->GetInfo(false);
}
BENCHMARK(BM_GetInfoDefaultFormat)->Unit(benchmark::kMicrosecond);

void BM_RefreshDefaultFormat(benchmark::State& state) {
    TMonitor monitor(DefaultFormat());
    monitor.Cycle->GetInfo(true);
    for (auto _ : state) monitor.Refresh();
}
BENCHMARK(BM_RefreshDefaultFormat)->Unit(benchmark::kMicrosecond);

// Every block, without a refresh: the same reads as minimal_reads and a few more.
void BM_GetInfoAllBlocks(benchmark::State& state) {
    TMonitor monitor("");
    for (auto& f : monitor.Formatters) f->Active = true;
    monitor.Cycle->OnRefresh = nullptr;
    for (auto _ : state) {
        NextClockTick(state);
        monitor.Cycle->GetInfo(false);
    }
    state.counters["top"] = monitor.Shell.Data().TopProcPercent;
}
BENCHMARK(BM_GetInfoAllBlocks)->Unit(benchmark::kMicrosecond)->Iterations(300);

void BM_GetInfoNoTags(benchmark::State& state) {
    TMonitor monitor("No tags at all");
    for (auto _ : state) monitor.Cycle->GetInfo(false);
}
BENCHMARK(BM_GetInfoNoTags)->Unit(benchmark::kMicrosecond);

void BM_ProcessorBlock(benchmark::State& state) {
    TPerfDataReader reader;
    TRawData data{};
    for (auto _ : state) reader.ProcessorBlock(data);
}
BENCHMARK(BM_ProcessorBlock)->Unit(benchmark::kMicrosecond);

void BM_ProcessBlock(benchmark::State& state) {
    TPerfDataReader reader;
    TRawData data{};
    // The time span of two processor snapshots stays for the process blocks that follow.
    reader.ProcessorBlock(data);
    std::this_thread::sleep_for(std::chrono::milliseconds(11));
    reader.ProcessorBlock(data);
    for (auto _ : state) reader.ProcessBlock(data);
    state.counters["history"] = static_cast<double>(reader.ProcessHistoryCount());
}
BENCHMARK(BM_ProcessBlock)->Unit(benchmark::kMicrosecond);

void BM_NetworkBlock(benchmark::State& state) {
    TNetCounters net;
    TRawData data{};
    for (auto _ : state) benchmark::DoNotOptimize(net.NetworkBlock(data, 1000));
}
BENCHMARK(BM_NetworkBlock)->Unit(benchmark::kMicrosecond);

void BM_UptimeBlock(benchmark::State& state) {
    TPerfDataReader reader;
    TRawData data{};
    for (auto _ : state) reader.UptimeBlock(data);
}
BENCHMARK(BM_UptimeBlock)->Unit(benchmark::kMicrosecond);

// A block of the cycle alone: the format string uses only that block's tags.
void BlockAlone(benchmark::State& state, const char* formatString, char drive) {
    TMonitor monitor(formatString);
    monitor.Cycle->OnRefresh = nullptr;
    // As the DriveSpace tag registers its letter while the display refreshes.
    monitor.Shell.Data().Drives[1].Letter = drive;
    for (auto _ : state) monitor.Cycle->GetInfo(false);
}
BENCHMARK_CAPTURE(BlockAlone, MemoryBlock, "<NAME=RAMUsed>", 0)->Unit(benchmark::kMicrosecond);
// Addresses and drive space every tenth sample are part of the mean.
BENCHMARK_CAPTURE(BlockAlone, NonPerfBlock, "<NAME=CompName>", 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BlockAlone, NonPerfBlockWithDrive, "<NAME=DriveSpace FORMAT=\"C\">", 'C')
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
