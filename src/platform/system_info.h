#pragma once
// Names, addresses and version facts of the machine, in the shapes of GetComputerName,
// GetUserName, the host's own addresses, GetSystemInfo's processor level and GetVersion.

#include "platform/win_types.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix::platform {

// The host name up to its first ".".
TResult GetComputerName(std::string& name);
// The login name of the real user id.
TResult GetUserName(std::string& name);

// Octets in network order, first octet first.
using TIPv4Address = std::array<std::uint8_t, 4>;

// The IPv4 addresses of the interfaces that are up and not loopback, in interface order.
// (Resolving the own host name on Linux often gives only 127.0.1.1.)
TResult GetHostAddresses(std::vector<TIPv4Address>& addresses);

struct TInterfaceAddress {
    unsigned Index = 0; // interface index
    bool Up = false;
    bool Loopback = false;
    TIPv4Address Address{};
};
// The choice GetHostAddresses makes, on a list as getifaddrs gives it.
void SelectHostAddresses(const std::vector<TInterfaceAddress>& candidates,
                         std::vector<TIPv4Address>& addresses);

// x86 "cpu family" from <root>/proc/cpuinfo (6 for most current processors); any other
// processor answers ERROR_NOT_SUPPORTED and level 0.
TResult GetProcessorLevel(std::uint16_t& level, const std::string& root = "/");

// The kernel release as a version word: low 16 bits major + (minor << 8), high 16 bits the
// patch level. Read from <root>/proc/sys/kernel/osrelease.
TResult GetVersion(std::uint32_t& version, const std::string& root = "/");
std::uint32_t VersionWord(std::uint32_t major, std::uint32_t minor, std::uint32_t patch);
// The name of the operating system ("Linux"), as the kernel gives it.
std::string GetOsName();

// Milliseconds since boot, time spent suspended included (as GetTickCount64).
std::uint64_t GetTickCount64();

// The text before the first "." of a host name.
std::string_view ShortHostName(std::string_view host);

} // namespace keltrix::platform
