#pragma once
// Parsers of the /proc and sysfs texts behind the measurement sources. They take the text as
// read and never trust it: anything malformed is reported, nothing is read past the end.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix::platform::detail {

// One "cpu" line of /proc/stat, in clock ticks.
struct TCpuTimes {
    int Id = -1; // -1 for the summary line
    std::uint64_t User = 0, Nice = 0, System = 0, Idle = 0, IoWait = 0, Irq = 0, SoftIrq = 0,
                  Steal = 0;

    std::uint64_t IdleAll() const { return Idle + IoWait; }
    // Guest time is already part of user and nice.
    std::uint64_t Elapsed() const {
        return User + Nice + System + Idle + IoWait + Irq + SoftIrq + Steal;
    }
};

// cpus is cleared and refilled (its capacity kept). The summary line and at least one
// processor line are required; false with why set otherwise.
bool ParseProcStat(std::string_view text, TCpuTimes& total, std::vector<TCpuTimes>& cpus,
                   std::string& why);

struct TMemInfo {
    std::uint64_t MemTotalKB = 0, MemAvailableKB = 0, SwapTotalKB = 0, CommittedKB = 0;
};
bool ParseMemInfo(std::string_view text, TMemInfo& info, std::string& why);

struct TNetDevLine {
    std::string Name;
    std::uint64_t RxBytes = 0, RxPackets = 0, RxErrors = 0, RxDrops = 0, RxMulticast = 0;
    std::uint64_t TxBytes = 0, TxPackets = 0, TxErrors = 0, TxDrops = 0;
};
// lines is cleared and refilled. The two heading lines are skipped.
bool ParseNetDev(std::string_view text, std::vector<TNetDevLine>& lines, std::string& why);

struct TPidStat {
    std::string_view Comm;              // points into the text
    std::uint64_t UTime = 0, STime = 0; // clock ticks
    std::uint64_t Threads = 0;
};
bool ParsePidStat(std::string_view text, TPidStat& stat);

// /proc/loadavg: the total of "running/total".
std::optional<std::uint32_t> ParseLoadavgThreads(std::string_view text);
// /proc/uptime: the first figure, in 100 ns units (exact decimal, no floating point).
std::optional<std::uint64_t> ParseUptime100ns(std::string_view text);

// /proc/cpuinfo: "cpu family" of the first processor; none on anything but x86.
std::optional<std::uint32_t> ParseCpuFamily(std::string_view text);

struct TMountEntry {
    std::string Source, MountPoint, Type;
};
// /proc/self/mounts; the octal escapes (\040 for a space) are decoded. Lines with fewer than
// three fields are skipped.
void ParseMounts(std::string_view text, std::vector<TMountEntry>& entries);

// Kernel release "6.1.0-18-amd64": major, minor and patch level.
struct TKernelRelease {
    std::uint32_t Major = 0, Minor = 0, Patch = 0;
};
std::optional<TKernelRelease> ParseKernelRelease(std::string_view text);

// What a power supply tells about itself, from its uevent or its attribute files.
struct TPowerSupply {
    std::string Type;   // "Mains", "Battery", "USB", ...
    std::string Scope;  // "Device" for the battery of a mouse or a headset
    std::string Status; // "Charging", "Discharging", "Full", "Not charging", "Unknown"
    std::optional<std::int64_t> Online, Capacity;
    std::optional<std::int64_t> EnergyNow, EnergyFull, PowerNow;   // µWh, µWh, µW
    std::optional<std::int64_t> ChargeNow, ChargeFull, CurrentNow; // µAh, µAh, µA
};
// "POWER_SUPPLY_CAPACITY=57" lines; unknown keys are ignored, a value that is not a number
// leaves its field empty.
void ParsePowerSupplyUevent(std::string_view text, TPowerSupply& supply);
// One attribute file ("capacity", "status", ...) with its content; false for a name it does
// not know.
bool SetPowerSupplyValue(std::string_view name, std::string_view value, TPowerSupply& supply);

// Helpers shared by the parsers and the backends.
std::string_view Trim(std::string_view text);
std::optional<std::uint64_t> ParseUnsigned(std::string_view text);
std::optional<std::int64_t> ParseSigned(std::string_view text);

} // namespace keltrix::platform::detail
