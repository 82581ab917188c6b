#include "platform/perf_data.h"

#include "platform/system_info.h"

#include "platform/linux/proc_parse.h"
#include "platform/linux/sys_files.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <optional>
#include <unistd.h>
#include <vector>

namespace keltrix::platform {
namespace {

using detail::TCpuTimes;

constexpr std::int64_t HundredNsPerSecond = 10'000'000;
constexpr std::uint32_t PERF_DETAIL_NOVICE = 100;
constexpr std::int32_t PERF_NO_UNIQUE_ID = -1;
// Seconds from 1601-01-01 (the FILETIME origin) to 1970-01-01.
constexpr std::int64_t FileTimeEpochOffset = 11'644'473'600;

std::size_t Align8(std::size_t n) {
    return (n + 7) & ~std::size_t{7};
}

// Appends the block to a buffer that keeps its capacity from query to query.
class TBlockWriter {
public:
    explicit TBlockWriter(std::vector<std::uint8_t>& bytes) : Bytes_(bytes) { Bytes_.clear(); }

    std::size_t Size() const { return Bytes_.size(); }
    // Room for n zero bytes at the end; returns where they start.
    std::size_t Grow(std::size_t n) {
        const std::size_t at = Bytes_.size();
        Bytes_.resize(at + n);
        return at;
    }
    template <class T> void Put(std::size_t at, const T& value) {
        std::memcpy(Bytes_.data() + at, &value, sizeof(T));
    }
    template <class T> std::size_t Append(const T& value) {
        const std::size_t at = Grow(sizeof(T));
        Put(at, value);
        return at;
    }
    // A zero-terminated UTF-16 name padded to 8 bytes; returns its length in bytes with the
    // terminator.
    std::uint32_t AppendName(std::string_view utf8) {
        const std::size_t start = Bytes_.size();
        detail::Utf8ToUtf16(utf8, [this](char16_t unit) { Append(unit); });
        Append(char16_t{0});
        const std::size_t length = Bytes_.size() - start;
        Grow(Align8(length) - length);
        return static_cast<std::uint32_t>(length);
    }

private:
    std::vector<std::uint8_t>& Bytes_;
};

struct TCounterSpec {
    std::uint32_t Index;
    std::uint32_t Type;
    std::uint32_t Size;
    std::uint32_t Offset;
};

constexpr TCounterSpec ProcessorCounters[] = {
    {PerfCounterProcessorTime, PERF_100NSEC_TIMER_INV, 8, 8}};
constexpr TCounterSpec ProcessCounters[] = {{PerfCounterProcessorTime, PERF_100NSEC_TIMER, 8, 8},
                                            {PerfCounterProcessId, PERF_COUNTER_RAWCOUNT, 4, 16}};
// Up time before the counts, as the system object lists them.
constexpr TCounterSpec SystemCounters[] = {{PerfCounterSystemUpTime, PERF_ELAPSED_TIME, 8, 8},
                                           {PerfCounterProcesses, PERF_COUNTER_RAWCOUNT, 4, 16},
                                           {PerfCounterThreads, PERF_COUNTER_RAWCOUNT, 4, 20}};
constexpr std::uint32_t CounterBlockLength = 24; // header, padding and at most 16 value bytes

std::int64_t FileTimeNow(std::tm& utc, std::uint16_t& milliseconds) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    ::gmtime_r(&now.tv_sec, &utc);
    milliseconds = static_cast<std::uint16_t>(now.tv_nsec / 1'000'000);
    return (static_cast<std::int64_t>(now.tv_sec) + FileTimeEpochOffset) * HundredNsPerSecond +
           now.tv_nsec / 100;
}

} // namespace

struct TPerfDataSource::TImpl {
    std::string Root;
    std::string StatPath, LoadavgPath, UptimePath, ProcPath;
    DIR* ProcDir = nullptr;
    std::int64_t TickTo100ns = 100'000; // at 100 ticks per second
    std::string SystemName;
    std::string Error;
    std::uint32_t ErrorCode = ERROR_SUCCESS;

    // Kept from query to query so that a steady machine costs no allocation.
    std::string Text;
    TCpuTimes Total;
    std::vector<TCpuTimes> Cpus;
    std::vector<std::uint8_t> Block;
    std::vector<std::uint32_t> Pids;
    bool ClockRead = false;
    std::int64_t ClockAtRead = 0;
    std::int64_t MonotonicAtRead = 0;

    ~TImpl() {
        if (ProcDir) ::closedir(ProcDir);
    }

    bool Fail(TResult result) {
        ErrorCode = result.Code;
        Error = std::move(result.Reason);
        return false;
    }

    // The processor times; the CPU accounting clock is their mean elapsed time.
    bool ReadCpuTimes() {
        if (!detail::ReadWholeFile(StatPath, Text))
            return Fail(detail::ReadFailure(StatPath, errno));
        std::string why;
        if (!detail::ParseProcStat(Text, Total, Cpus, why))
            return Fail(detail::Malformed(StatPath, why));
        return true;
    }

    std::int64_t CpuClock100ns() const {
        std::uint64_t sum = 0;
        for (const TCpuTimes& cpu : Cpus) sum += cpu.Elapsed();
        // Rounded like the idle means, so that no idle mean runs ahead of the clock.
        return static_cast<std::int64_t>(sum * TickTo100ns / Cpus.size());
    }

    // The header's CPU accounting clock. Objects built from the processor times read them
    // afresh; the system object alone needs only the clock, which runs on from its last
    // reading by the monotonic clock, and so spares a reading of /proc/stat per sample.
    bool CpuClock(const std::uint32_t* wanted, std::size_t count, std::int64_t& clock) {
        bool cpuObjects = !ClockRead;
        for (std::size_t i = 0; i < count; ++i)
            cpuObjects = cpuObjects || wanted[i] != PerfObjectSystem;
        const std::int64_t monotonic = Monotonic100ns();
        if (!cpuObjects) {
            clock = ClockAtRead + (monotonic - MonotonicAtRead);
            return true;
        }
        if (!ReadCpuTimes()) return false;
        clock = ClockAtRead = CpuClock100ns();
        MonotonicAtRead = monotonic;
        ClockRead = true;
        return true;
    }

    static std::int64_t Monotonic100ns() {
        timespec t{};
        ::clock_gettime(CLOCK_MONOTONIC, &t);
        return static_cast<std::int64_t>(t.tv_sec) * 10'000'000 + t.tv_nsec / 100;
    }

    std::size_t BeginObject(TBlockWriter& w, std::uint32_t index, const TCounterSpec* counters,
                            std::size_t counterCount, std::int32_t instances, std::int64_t time,
                            std::int64_t freq) {
        PERF_OBJECT_TYPE object{};
        object.HeaderLength = sizeof(PERF_OBJECT_TYPE);
        object.DefinitionLength = static_cast<std::uint32_t>(
            sizeof(PERF_OBJECT_TYPE) + counterCount * sizeof(PERF_COUNTER_DEFINITION));
        object.ObjectNameTitleIndex = index;
        object.ObjectHelpTitleIndex = index + 1;
        object.DetailLevel = PERF_DETAIL_NOVICE;
        object.NumCounters = static_cast<std::uint32_t>(counterCount);
        object.NumInstances = instances;
        object.PerfTime = time;
        object.PerfFreq = freq;
        const std::size_t at = w.Append(object);
        for (std::size_t i = 0; i < counterCount; ++i) {
            PERF_COUNTER_DEFINITION def{};
            def.ByteLength = sizeof(PERF_COUNTER_DEFINITION);
            def.CounterNameTitleIndex = counters[i].Index;
            def.CounterHelpTitleIndex = counters[i].Index + 1;
            def.DetailLevel = PERF_DETAIL_NOVICE;
            def.CounterType = counters[i].Type;
            def.CounterSize = counters[i].Size;
            def.CounterOffset = counters[i].Offset;
            w.Append(def);
        }
        return at;
    }

    static void EndObject(TBlockWriter& w, std::size_t at, std::int32_t instances) {
        w.Put(at + offsetof(PERF_OBJECT_TYPE, TotalByteLength),
              static_cast<std::uint32_t>(w.Size() - at));
        w.Put(at + offsetof(PERF_OBJECT_TYPE, NumInstances), instances);
    }

    // An instance with one 64-bit value at offset 8 of its counter block, and a process id
    // at offset 16 when it has one.
    template <class Name>
    static void AppendInstance(TBlockWriter& w, Name&& appendName, std::uint64_t value,
                               std::optional<std::uint32_t> id = std::nullopt) {
        const std::size_t at = w.Append(PERF_INSTANCE_DEFINITION{});
        const std::uint32_t nameLength = appendName(w);
        PERF_INSTANCE_DEFINITION def{};
        def.ByteLength = static_cast<std::uint32_t>(w.Size() - at);
        def.UniqueID = PERF_NO_UNIQUE_ID;
        def.NameOffset = sizeof(PERF_INSTANCE_DEFINITION);
        def.NameLength = nameLength;
        w.Put(at, def);
        const std::uint32_t length = id ? 24 : 16;
        const std::size_t block = w.Grow(length);
        w.Put(block, PERF_COUNTER_BLOCK{length});
        w.Put(block + 8, value);
        if (id) w.Put(block + 16, *id);
    }

    static void AppendNumberedInstance(TBlockWriter& w, int number, std::uint64_t value) {
        char digits[16];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        const std::string_view name(digits, static_cast<std::size_t>(end - digits));
        AppendInstance(
            w, [&](TBlockWriter& out) { return out.AppendName(name); }, value);
    }

    bool BuildProcessor(TBlockWriter& w, std::int64_t clock) {
        const auto count = static_cast<std::int32_t>(Cpus.size() + 1);
        const std::size_t at =
            BeginObject(w, PerfObjectProcessor, ProcessorCounters, std::size(ProcessorCounters),
                        count, clock, HundredNsPerSecond);
        std::uint64_t idleSum = 0;
        for (const TCpuTimes& cpu : Cpus) {
            AppendNumberedInstance(w, cpu.Id, cpu.IdleAll() * TickTo100ns);
            idleSum += cpu.IdleAll();
        }
        const std::uint64_t mean = idleSum * TickTo100ns / Cpus.size();
        AppendInstance(
            w, [](TBlockWriter& out) { return out.AppendName("_Total"); }, mean);
        EndObject(w, at, count);
        return true;
    }

    bool OpenProc() {
        if (ProcDir) {
            ::rewinddir(ProcDir);
            return true;
        }
        ProcDir = ::opendir(ProcPath.c_str());
        if (!ProcDir) return Fail(detail::ReadFailure(ProcPath, errno));
        return true;
    }

    static std::optional<std::uint32_t> PidOf(const char* name) {
        if (*name < '1' || *name > '9') return std::nullopt;
        std::uint32_t pid = 0;
        const char* end = name + std::strlen(name);
        const auto result = std::from_chars(name, end, pid);
        if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
        return pid;
    }

    bool BuildProcess(TBlockWriter& w, std::int64_t clock) {
        if (!OpenProc()) return false;
        const std::size_t at =
            BeginObject(w, PerfObjectProcess, ProcessCounters, std::size(ProcessCounters), 0, clock,
                        HundredNsPerSecond);
        std::uint64_t idle = 0;
        for (const TCpuTimes& cpu : Cpus) idle += cpu.IdleAll();
        idle *= TickTo100ns;
        AppendInstance(
            w, [](TBlockWriter& out) { return out.AppendName("Idle"); }, idle, 0u);
        std::uint64_t total = idle;
        std::int32_t count = 1;
        // Listing order of /proc is pid order; a copied tree lists in any order.
        Pids.clear();
        while (const dirent* entry = ::readdir(ProcDir)) {
            if (const auto pid = PidOf(entry->d_name)) Pids.push_back(*pid);
        }
        std::sort(Pids.begin(), Pids.end());
        const int dirFd = ::dirfd(ProcDir);
        char path[32];
        char stat[2048];
        for (const std::uint32_t pid : Pids) {
            char* end = std::to_chars(path, path + 16, pid).ptr;
            std::memcpy(end, "/stat", 6);
            // A process may end between the listing and the read: it is left out.
            const long got = detail::ReadFileAt(dirFd, path, stat, sizeof stat);
            detail::TPidStat parsed;
            if (got <= 0 || !detail::ParsePidStat({stat, std::size_t(got)}, parsed)) continue;
            const std::uint64_t time = (parsed.UTime + parsed.STime) * TickTo100ns;
            AppendInstance(
                w, [&](TBlockWriter& out) { return out.AppendName(parsed.Comm); }, time, pid);
            total += time;
            ++count;
        }
        AppendInstance(
            w, [](TBlockWriter& out) { return out.AppendName("_Total"); }, total, 0u);
        ++count;
        EndObject(w, at, count);
        return true;
    }

    bool BuildSystem(TBlockWriter& w, std::int64_t now) {
        if (!detail::ReadWholeFile(UptimePath, Text))
            return Fail(detail::ReadFailure(UptimePath, errno));
        const auto uptime = detail::ParseUptime100ns(Text);
        if (!uptime) return Fail(detail::Malformed(UptimePath, "no up time"));
        if (!detail::ReadWholeFile(LoadavgPath, Text))
            return Fail(detail::ReadFailure(LoadavgPath, errno));
        const auto threads = detail::ParseLoadavgThreads(Text);
        if (!threads) return Fail(detail::Malformed(LoadavgPath, "no task count"));
        if (!OpenProc()) return false;
        std::uint32_t processes = 0;
        while (const dirent* entry = ::readdir(ProcDir)) processes += PidOf(entry->d_name) ? 1 : 0;

        const std::size_t at =
            BeginObject(w, PerfObjectSystem, SystemCounters, std::size(SystemCounters),
                        PERF_NO_INSTANCES, now, HundredNsPerSecond);
        const std::size_t block = w.Grow(CounterBlockLength);
        w.Put(block, PERF_COUNTER_BLOCK{CounterBlockLength});
        // The boot moment on the object's clock: (PerfTime - value) / PerfFreq is the up time.
        w.Put(block + 8, now - static_cast<std::int64_t>(*uptime));
        w.Put(block + 16, processes);
        w.Put(block + 20, *threads);
        EndObject(w, at, PERF_NO_INSTANCES);
        return true;
    }

    bool Build(std::string_view valueName) {
        // One object index, or several separated by blanks.
        std::uint32_t wanted[8];
        std::size_t wantedCount = 0;
        std::string_view rest = valueName;
        while (!rest.empty()) {
            const auto blank = rest.find(' ');
            const std::string_view item = rest.substr(0, blank);
            rest.remove_prefix(blank == std::string_view::npos ? rest.size() : blank + 1);
            if (item.empty()) continue;
            const auto index = detail::ParseUnsigned(item);
            if (!index || (*index != PerfObjectProcessor && *index != PerfObjectProcess &&
                           *index != PerfObjectSystem)) {
                return Fail(TResult::Failure(ERROR_FILE_NOT_FOUND,
                                             "performance object \"" + std::string(item) +
                                                 "\" is not provided (only 238, 230 and 2)"));
            }
            if (wantedCount == std::size(wanted)) {
                return Fail(TResult::Failure(ERROR_INVALID_PARAMETER,
                                             "too many performance objects in one query"));
            }
            wanted[wantedCount++] = static_cast<std::uint32_t>(*index);
        }
        if (wantedCount == 0) {
            return Fail(TResult::Failure(ERROR_INVALID_PARAMETER, "no performance object named"));
        }
        std::tm utc{};
        std::uint16_t ms = 0;
        std::int64_t clock = 0;
        if (!CpuClock(wanted, wantedCount, clock)) return false;
        const std::int64_t now = FileTimeNow(utc, ms);

        TBlockWriter w(Block);
        PERF_DATA_BLOCK header{};
        std::memcpy(header.Signature, u"PERF", sizeof header.Signature);
        header.LittleEndian = 1;
        header.Version = 1;
        header.Revision = 1;
        header.NumObjectTypes = static_cast<std::uint32_t>(wantedCount);
        header.DefaultObject = static_cast<std::int32_t>(wanted[0]);
        header.SystemTime = {static_cast<std::uint16_t>(utc.tm_year + 1900),
                             static_cast<std::uint16_t>(utc.tm_mon + 1),
                             static_cast<std::uint16_t>(utc.tm_wday),
                             static_cast<std::uint16_t>(utc.tm_mday),
                             static_cast<std::uint16_t>(utc.tm_hour),
                             static_cast<std::uint16_t>(utc.tm_min),
                             static_cast<std::uint16_t>(utc.tm_sec),
                             ms};
        header.PerfTime = now;
        header.PerfFreq = HundredNsPerSecond;
        header.PerfTime100nSec = clock;
        header.SystemNameOffset = sizeof(PERF_DATA_BLOCK);
        w.Append(header);
        header.SystemNameLength = w.AppendName(SystemName);
        header.HeaderLength = static_cast<std::uint32_t>(w.Size());

        for (std::size_t i = 0; i < wantedCount; ++i) {
            bool ok = true;
            switch (wanted[i]) {
            case PerfObjectProcessor:
                ok = BuildProcessor(w, clock);
                break;
            case PerfObjectProcess:
                ok = BuildProcess(w, clock);
                break;
            default:
                ok = BuildSystem(w, now);
                break;
            }
            if (!ok) return false;
        }
        header.TotalByteLength = static_cast<std::uint32_t>(w.Size());
        w.Put(0, header);
        return true;
    }
};

TPerfDataSource::TPerfDataSource(std::string root) : Impl_(std::make_unique<TImpl>()) {
    TImpl& m = *Impl_;
    m.Root = std::move(root);
    m.StatPath = detail::JoinRoot(m.Root, "/proc/stat");
    m.LoadavgPath = detail::JoinRoot(m.Root, "/proc/loadavg");
    m.UptimePath = detail::JoinRoot(m.Root, "/proc/uptime");
    m.ProcPath = detail::JoinRoot(m.Root, "/proc");
    if (const long hz = ::sysconf(_SC_CLK_TCK); hz > 0) m.TickTo100ns = HundredNsPerSecond / hz;
    std::string name;
    if (detail::ReadWholeFile(detail::JoinRoot(m.Root, "/proc/sys/kernel/hostname"), name))
        m.SystemName.assign(ShortHostName(detail::Trim(name)));
}

TPerfDataSource::~TPerfDataSource() = default;

std::uint32_t TPerfDataSource::Query(std::string_view valueName, std::uint8_t* data,
                                     std::uint32_t* size) {
    TImpl& m = *Impl_;
    m.Error.clear();
    if (!size) {
        m.Error = "no size given";
        return ERROR_INVALID_PARAMETER;
    }
    if (!m.Build(valueName)) return m.ErrorCode;
    const auto length = static_cast<std::uint32_t>(m.Block.size());
    if (!data || *size < length) {
        *size = length;
        return ERROR_MORE_DATA;
    }
    std::memcpy(data, m.Block.data(), length);
    *size = length;
    return ERROR_SUCCESS;
}

const std::string& TPerfDataSource::LastError() const {
    return Impl_->Error;
}

} // namespace keltrix::platform
