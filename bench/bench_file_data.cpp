// The file-line tag on a small file and on 1 GB files, next to a hand-written reader doing the
// same work: line 1, the last line (0) and the one before it (-1).

#include "tags/nonperf_format.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace keltrix;

namespace {

constexpr off_t Gigabyte = off_t{1} << 30;
const std::string Line = "2026-12-09 21:53:58 kernel: eth0: link up, 1000 Mbps, full duplex\n";

std::vector<std::string> Created;

std::string Folder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

void WriteLines(int fd, off_t at, std::size_t bytes) {
    std::string text;
    while (text.size() < bytes) text += Line;
    text.resize(bytes - 1);
    text += '\n';
    if (::pwrite(fd, text.data(), text.size(), at) != static_cast<ssize_t>(text.size()))
        std::abort();
}

// A file of the benchmark's folder, written once by fill and removed at the end.
template <typename Fill> std::string MadeFile(const char* name, Fill fill) {
    std::string p = Folder() + "/" + name;
    Created.push_back(p);
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    fill(fd);
    ::close(fd);
    return p;
}

// 1 KB of lines.
const std::string& SmallFile() {
    static const std::string path =
        MadeFile("keltrix-bench-small.log", [](int fd) { WriteLines(fd, 0, 1024); });
    return path;
}

// 1 GB, of which only the first and the last kilobyte hold lines: the hole between reads as
// zero bytes, where the text ends.
const std::string& SparseFile() {
    static const std::string path = MadeFile("keltrix-bench-sparse.log", [](int fd) {
        WriteLines(fd, 0, 1024);
        WriteLines(fd, Gigabyte - 1024, 1024);
    });
    return path;
}

// 1 GB of lines, no zero byte: the last line is only known after reading all of it.
const std::string& DenseFile() {
    static const std::string path = MadeFile("keltrix-bench-dense.log", [](int fd) {
        for (off_t at = 0; at < Gigabyte; at += 1 << 24) WriteLines(fd, at, 1 << 24);
    });
    return path;
}

const std::string& FileOf(int which) {
    return which == 0 ? SmallFile() : which == 1 ? SparseFile() : DenseFile();
}

void MaxRss(benchmark::State& state) {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    state.counters["maxrss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_FileDataTag(benchmark::State& state) {
    TRawDataShell shell;
    TNonPerfFormat format(shell);
    const std::string spec =
        FileOf(static_cast<int>(state.range(0))) + "," + std::to_string(state.range(1));
    for (auto _ : state) {
        std::string value = format.FileDataFunc(spec, false, false, 1);
        if (value.empty()) state.SkipWithError("no line");
        benchmark::DoNotOptimize(value);
    }
    MaxRss(state);
}

// By hand: open, read, find the line, close. Line 1: the first 64 KiB; lines 0 and -1: the
// zero-byte search over the file in 1 MiB pieces, then the last 64 KiB of the text.
std::string MinimalLine(const std::string& path, long line) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    static char buffer[1 << 20];
    std::string out;
    if (line == 1) {
        const ssize_t got = ::pread(fd, buffer, 1 << 16, 0);
        const void* end = std::memchr(buffer, '\n', static_cast<std::size_t>(got));
        out.assign(static_cast<const char*>(buffer),
                   end ? static_cast<const char*>(end) : buffer + got);
    } else {
        off_t end = 0;
        for (;;) {
            const ssize_t got = ::pread(fd, buffer, sizeof buffer, end);
            if (got <= 0) break;
            if (const void* zero = std::memchr(buffer, 0, static_cast<std::size_t>(got))) {
                end += static_cast<const char*>(zero) - buffer;
                break;
            }
            end += got;
        }
        const off_t start = end > (1 << 16) ? end - (1 << 16) : 0;
        const ssize_t got = ::pread(fd, buffer, static_cast<std::size_t>(end - start), start);
        std::string_view tail(buffer, static_cast<std::size_t>(got));
        tail.remove_suffix(1); // the last break
        for (long back = -line; back > 0; --back) tail = tail.substr(0, tail.rfind('\n'));
        out.assign(tail.substr(tail.rfind('\n') + 1));
    }
    ::close(fd);
    return out;
}

void BM_MinimalLine(benchmark::State& state) {
    const std::string& path = FileOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string value = MinimalLine(path, static_cast<long>(state.range(1)));
        if (value.empty()) state.SkipWithError("no line");
        benchmark::DoNotOptimize(value);
    }
    MaxRss(state);
}

// Files: 0 the kilobyte, 1 the sparse gigabyte, 2 the dense gigabyte; then the line.
void Cases(benchmark::internal::Benchmark* b) {
    b->ArgNames({"file", "line"});
    for (int file : {0, 1, 2})
        for (int line : {1, 0, -1}) b->Args({file, line});
}

} // namespace

BENCHMARK(BM_FileDataTag)->Apply(Cases)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_MinimalLine)->Apply(Cases)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const std::string& p : Created) ::unlink(p.c_str());
    return 0;
}
