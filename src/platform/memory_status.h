#pragma once
// Memory status in the shape of GlobalMemoryStatus (sizes widened to 64 bits).

#include "platform/win_types.h"

#include <cstdint>
#include <string>

namespace keltrix::platform {

struct MEMORYSTATUS {
    std::uint32_t dwLength;
    std::uint32_t dwMemoryLoad; // percent of physical memory in use
    std::uint64_t dwTotalPhys;
    std::uint64_t dwAvailPhys;
    std::uint64_t dwTotalPageFile; // commit limit: physical memory plus swap
    std::uint64_t dwAvailPageFile;
    std::uint64_t dwTotalVirtual; // not reported: 0
    std::uint64_t dwAvailVirtual; // not reported: 0
};

// From <root>/proc/meminfo, in bytes. On failure status is left zero but for dwLength.
TResult GlobalMemoryStatus(MEMORYSTATUS& status, const std::string& root = "/");

} // namespace keltrix::platform
