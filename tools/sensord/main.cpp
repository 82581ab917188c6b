// sensord: publishes the machine's temperature, voltage and fan sensors (read through
// libsensors) in the hardware monitor's shared-memory layout, once a second, until it is told
// to stop or nobody has read the area for a while.
#include "area_image.h"
#include "exit_codes.h"
#include "measure/mbm_shared.h"
#include "published_area.h"
#include "sensor_source.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace keltrix;
using namespace keltrix::sensord;

namespace {

volatile std::sig_atomic_t StopSignal = 0;
void OnStop(int sig) {
    StopSignal = sig;
}

struct TOptions {
    std::string Name = mbm::SharedMemoryName;
    long IntervalMs = 1000;
    long IdleSeconds = 60; // 0: never stop for want of readers
    long RescanSeconds = 10;
    bool List = false;
};

const char* Usage =
    "usage: sensord [--name AREA] [--interval MS] [--idle SECONDS] [--rescan SECONDS] [--list]\n"
    "Publishes temperature (C), voltage (V) and fan (RPM) sensors read through libsensors in\n"
    "the shared memory AREA (default \"$M$B$M$5$S$D$\"), every MS milliseconds (1000).\n"
    "  --idle SECONDS    stop when no process has read the area for so long (60; 0: never)\n"
    "  --rescan SECONDS  look for sensors that came or went this often (10)\n"
    "  --list            print the sensors in the order they are published, and stop\n";

bool Number(std::string_view text, long low, long& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= low;
}

int ParseOptions(int argc, char** argv, TOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::puts("sensord (Keltrix) " KELTRIX_VERSION_TEXT);
            return 0;
        }
        if (arg == "--list") {
            options.List = true;
        } else if (arg == "--name" && hasValue && *argv[i + 1]) {
            options.Name = argv[++i];
        } else if (arg == "--interval" && hasValue &&
                   Number(argv[i + 1], 100, options.IntervalMs)) {
            ++i;
        } else if (arg == "--idle" && hasValue && Number(argv[i + 1], 0, options.IdleSeconds)) {
            ++i;
        } else if (arg == "--rescan" && hasValue && Number(argv[i + 1], 1, options.RescanSeconds)) {
            ++i;
        } else {
            std::fprintf(stderr, "sensord: bad argument \"%s\"\n%s", argv[i], Usage);
            return ExitUsage;
        }
    }
    return -1;
}

bool Scan(TSensorSource& source, TAreaImage& image) {
    std::string error, warning;
    if (!source.Scan(error, warning)) {
        std::fprintf(stderr, "sensord: %s\n", error.c_str());
        return false;
    }
    if (!warning.empty()) std::fprintf(stderr, "sensord: %s\n", warning.c_str());
    image.Arrange(source.Found());
    return true;
}

void ReadAll(const TSensorSource& source, TAreaImage& image) {
    for (int kind = 1; kind <= 3; ++kind) {
        for (TSlot& slot : image.Group(kind)) {
            double value = 0;
            const bool ok = slot.Source >= 0 && source.Read(slot.Source, value);
            image.Record(slot, ok, value);
        }
    }
}

void List(const TAreaImage& image) {
    static const char* const Kinds[] = {"", "temperature", "voltage", "fan"};
    static const char* const Units[] = {"", "C", "V", "RPM"};
    int position = 0;
    for (int kind = 1; kind <= 3; ++kind) {
        int n = 0;
        for (const TSlot& slot : image.Group(kind)) {
            std::printf("%3d  %-11s %d  %-24s %s\n", position++, Kinds[kind], ++n,
                        slot.Label.c_str(), slot.Key.c_str());
            if (slot.Present) std::printf("     %.3f %s\n", slot.Current, Units[kind]);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    TOptions options;
    if (const int rc = ParseOptions(argc, argv, options); rc >= 0) return rc;

    TSensorSource source;
    TAreaImage image;
    if (!Scan(source, image)) return ExitNoLibrary;
    if (image.SlotCount() == 0) {
        std::fputs("sensord: no temperature, voltage or fan sensors found\n", stderr);
        return ExitNoSensors;
    }
    ReadAll(source, image);
    if (options.List) {
        List(image);
        return 0;
    }

    // The signals wait blocked and are let in only while sensord sleeps.
    sigset_t stopSet, sleepMask;
    sigemptyset(&stopSet);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stopSet, sig);
    sigprocmask(SIG_BLOCK, &stopSet, &sleepMask);
    struct sigaction sa {};
    sa.sa_handler = OnStop;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);

    TPublishedArea area(options.Name);
    std::string error;
    switch (area.Create(TAreaImage::AreaSize(), error)) {
    case TCreate::Created:
        break;
    case TCreate::AlreadyPublished:
        std::fprintf(stderr, "sensord: %s\n", error.c_str());
        return ExitAlreadyRunning;
    case TCreate::Failed:
        std::fprintf(stderr, "sensord: %s\n", error.c_str());
        return ExitNoArea;
    }
    const auto pid = static_cast<std::int32_t>(getpid());
    area.Write(image.Bytes(pid));

    using Clock = std::chrono::steady_clock;
    auto lastReader = Clock::now();
    auto lastScan = Clock::now();
    auto next = Clock::now();
    const auto interval = std::chrono::milliseconds(options.IntervalMs);
    int rc = 0;
    while (!StopSignal) {
        next += interval;
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(next - Clock::now());
        if (wait.count() > 0) {
            const timespec timeout{static_cast<time_t>(wait.count() / 1000000000),
                                   static_cast<long>(wait.count() % 1000000000)};
            ppoll(nullptr, 0, &timeout, &sleepMask);
            if (StopSignal) break;
        } else {
            next = Clock::now(); // a suspended machine or a stalled read: no catching up
        }
        const auto now = Clock::now();
        if (area.ReaderSince()) lastReader = now;
        if (options.IdleSeconds > 0 &&
            now - lastReader > std::chrono::seconds(options.IdleSeconds)) {
            if (!OtherProcessHolds(options.Name, getpid())) break;
            lastReader = now;
        }
        if (now - lastScan >= std::chrono::seconds(options.RescanSeconds)) {
            lastScan = now;
            if (!Scan(source, image)) {
                rc = ExitNoLibrary;
                break;
            }
        }
        ReadAll(source, image);
        area.Write(image.Bytes(pid));
    }
    area.Remove();
    return rc;
}
