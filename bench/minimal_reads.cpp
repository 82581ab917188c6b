// The floor for a sample: the /proc files that every block together needs, opened, read and
// closed by hand with nothing parsed or kept. The sampling cycle's all-blocks sample
// (bench_sampling, BM_GetInfoAllBlocks) should cost at most 1.5 times this.
//
// A measuring tool, not part of the program: it reads /proc directly on purpose.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

char Buffer[1 << 16];

long ReadFile(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    long total = 0;
    ssize_t got = 0;
    while ((got = ::read(fd, Buffer, sizeof Buffer)) > 0) total += got;
    ::close(fd);
    return total;
}

long ReadEveryProcess() {
    DIR* proc = ::opendir("/proc");
    if (!proc) return 0;
    long total = 0;
    char path[300];
    while (const dirent* entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
        std::snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
        total += ReadFile(path);
    }
    ::closedir(proc);
    return total;
}

[[gnu::noinline]] long ReadAll() {
    long bytes = ReadFile("/proc/stat");
    bytes += ReadEveryProcess();
    bytes += ReadFile("/proc/net/dev");
    bytes += ReadFile("/proc/meminfo");
    bytes += ReadFile("/proc/loadavg");
    bytes += ReadFile("/proc/uptime");
    return bytes;
}

void BM_MinimalReads(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ReadAll());
}
BENCHMARK(BM_MinimalReads)->Unit(benchmark::kMicrosecond);

// With the untimed pause of bench_sampling's all-blocks sample between reads, so caches and
// processor clocks start from the same state in both.
void BM_MinimalReadsAfterPause(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::milliseconds(11));
        state.ResumeTiming();
        benchmark::DoNotOptimize(ReadAll());
    }
}
BENCHMARK(BM_MinimalReadsAfterPause)->Unit(benchmark::kMicrosecond)->Iterations(300);

// The process files alone: the bulk of a sample that shows the busiest process.
void BM_MinimalProcessReads(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(ReadEveryProcess());
}
BENCHMARK(BM_MinimalProcessReads)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
