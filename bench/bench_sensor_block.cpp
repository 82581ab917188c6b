// The sensor block's reads of the hardware monitor's area: the 18 readings with the mapping
// opened anew for each (the link's way), against one mapping kept for all 18, and the same two
// written by hand with bare system calls. Reads the area sensord publishes (run
// bench/sensor_block.sh); without one it publishes a board of its own.

#include "measure/mbm_link.h"
#include "measure/mbm_shared.h"
#include "platform/shared_memory.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace keltrix;

namespace {

std::string AreaName() {
    const char* name = std::getenv("KELTRIX_BENCH_AREA");
    return name && *name ? name : mbm::SharedMemoryName;
}
std::string AreaPath() {
    return std::string("/").append(AreaName());
}

// A board of four temperatures, two voltages and three fans when no publisher runs.
struct TOwnArea {
    TOwnArea() {
        const std::string path = AreaPath();
        const int probe = shm_open(path.c_str(), O_RDONLY, 0);
        if (probe >= 0) {
            close(probe);
            return;
        }
        std::vector<std::uint8_t> bytes(mbm::InfoOffset + 256, 0);
        auto put32 = [&](std::size_t at, std::int32_t v) { std::memcpy(&bytes[at], &v, 4); };
        put32(12, 4);
        put32(20, 2);
        put32(28, 3);
        for (int i = 0; i < 9; ++i) {
            const std::size_t entry =
                mbm::SensorsOffset + mbm::SensorSize * static_cast<std::size_t>(i);
            bytes[entry] = static_cast<std::uint8_t>(i < 4 ? 1 : i < 6 ? 2 : 3);
            const double value = 40.5 + i;
            std::memcpy(&bytes[entry + mbm::CurrentField], &value, 8);
        }
        const int fd = shm_open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (fd < 0) return;
        Own = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        close(fd);
    }
    ~TOwnArea() {
        if (Own) shm_unlink(AreaPath().c_str());
    }
    bool Own = false;
};
TOwnArea OwnArea;

void BM_ReadSharedData18Opens(benchmark::State& state) {
    TMBMLinkPlaces places;
    places.Area = AreaName();
    places.Folders = std::vector<std::string>{};
    TMBMLink link({}, places); // never started: ReadSharedData reads straight away
    for (auto _ : state) benchmark::DoNotOptimize(link.ReadSharedData());
    state.counters["Temp1"] = link.SensorTemp()[0];
    link.Stop();
}
BENCHMARK(BM_ReadSharedData18Opens);

void BM_ReadingsOneOpenKept(benchmark::State& state) {
    platform::TSharedMemoryView view;
    if (!view.Open(AreaName())) {
        state.SkipWithError("no area");
        return;
    }
    std::int32_t sum = 0;
    for (auto _ : state) {
        for (int kind : {mbm::KindTemperature, mbm::KindFan}) {
            for (int n = 0; n < mbm::ReadingsPerKind; ++n) {
                std::int32_t whole = 0;
                if (const auto value = mbm::ReadSensor(view.Data(), kind, n))
                    (void)mbm::RoundReading(*value, whole);
                sum += whole;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_ReadingsOneOpenKept);

// By hand: open, size, map, copy the counts and one entry, unmap, close.
double MinimalRead(int fd, const std::uint8_t* data, int position) {
    std::int32_t counts[4];
    std::memcpy(counts, data + 12, 4);
    std::uint8_t entry[mbm::SensorSize];
    std::memcpy(entry,
                data + mbm::SensorsOffset + mbm::SensorSize * static_cast<std::size_t>(position),
                sizeof entry);
    double value = 0;
    if (entry[0] != 0) std::memcpy(&value, entry + mbm::CurrentField, 8);
    (void)fd;
    return value;
}

void BM_Minimal18Opens(benchmark::State& state) {
    const std::string path = AreaPath();
    double sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < 18; ++i) {
            const int fd = shm_open(path.c_str(), O_RDONLY, 0);
            struct stat st {};
            fstat(fd, &st);
            void* data =
                mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
            sum += MinimalRead(fd, static_cast<const std::uint8_t*>(data), i % 9);
            munmap(data, static_cast<std::size_t>(st.st_size));
            close(fd);
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_Minimal18Opens);

void BM_MinimalOneOpenKept(benchmark::State& state) {
    const std::string path = AreaPath();
    const int fd = shm_open(path.c_str(), O_RDONLY, 0);
    struct stat st {};
    fstat(fd, &st);
    void* data = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    double sum = 0;
    for (auto _ : state) {
        for (int i = 0; i < 18; ++i)
            sum += MinimalRead(fd, static_cast<const std::uint8_t*>(data), i % 9);
        benchmark::DoNotOptimize(sum);
    }
    munmap(data, static_cast<std::size_t>(st.st_size));
    close(fd);
}
BENCHMARK(BM_MinimalOneOpenKept);

} // namespace

BENCHMARK_MAIN();
