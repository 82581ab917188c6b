#include "platform/memory_status.h"

#include "platform/linux/proc_parse.h"
#include "platform/linux/sys_files.h"

#include <cerrno>

namespace keltrix::platform {

TResult GlobalMemoryStatus(MEMORYSTATUS& status, const std::string& root) {
    status = MEMORYSTATUS{};
    status.dwLength = sizeof(MEMORYSTATUS);
    const std::string path = detail::JoinRoot(root, "/proc/meminfo");
    std::string text;
    if (!detail::ReadWholeFile(path, text)) return detail::ReadFailure(path, errno);
    detail::TMemInfo info;
    std::string why;
    if (!detail::ParseMemInfo(text, info, why)) return detail::Malformed(path, why);
    // 16 PiB: anything larger is a broken file, and would overflow below.
    constexpr std::uint64_t LimitKB = std::uint64_t{1} << 44;
    if (info.MemTotalKB > LimitKB || info.SwapTotalKB > LimitKB || info.CommittedKB > LimitKB)
        return detail::Malformed(path, "implausibly large sizes");
    if (info.MemAvailableKB > info.MemTotalKB)
        return detail::Malformed(path, "MemAvailable is larger than MemTotal");

    status.dwTotalPhys = info.MemTotalKB * 1024;
    status.dwAvailPhys = info.MemAvailableKB * 1024;
    status.dwTotalPageFile = (info.MemTotalKB + info.SwapTotalKB) * 1024;
    const std::uint64_t committed = info.CommittedKB * 1024;
    status.dwAvailPageFile =
        committed < status.dwTotalPageFile ? status.dwTotalPageFile - committed : 0;
    status.dwMemoryLoad =
        static_cast<std::uint32_t>((info.MemTotalKB - info.MemAvailableKB) * 100 / info.MemTotalKB);
    return TResult::Success();
}

} // namespace keltrix::platform
