#include "platform/system_info.h"

#include "platform/linux/proc_parse.h"
#include "platform/linux/sys_files.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace keltrix::platform {

std::string_view ShortHostName(std::string_view host) {
    return host.substr(0, host.find('.'));
}

TResult GetComputerName(std::string& name) {
    name.clear();
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0) {
        return TResult::Failure(ERROR_NOT_SUPPORTED,
                                std::string("gethostname: ") + std::strerror(errno));
    }
    name.assign(ShortHostName(host));
    if (name.empty()) return TResult::Failure(ERROR_NOT_SUPPORTED, "the host has no name");
    return TResult::Success();
}

TResult GetUserName(std::string& name) {
    name.clear();
    const uid_t uid = ::getuid();
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 4096);
    passwd entry{};
    passwd* found = nullptr;
    int rc = 0;
    while ((rc = ::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (rc != 0 || !found || !found->pw_name || !*found->pw_name) {
        return TResult::Failure(ERROR_NOT_SUPPORTED,
                                "no user name for user id " + std::to_string(uid) +
                                    (rc ? std::string(": ") + std::strerror(rc) : std::string()));
    }
    name = found->pw_name;
    return TResult::Success();
}

void SelectHostAddresses(const std::vector<TInterfaceAddress>& candidates,
                         std::vector<TIPv4Address>& addresses) {
    std::vector<TInterfaceAddress> chosen;
    for (const TInterfaceAddress& c : candidates) {
        if (c.Up && !c.Loopback) chosen.push_back(c);
    }
    // getifaddrs lists by address family first: the order wanted is that of the interfaces.
    std::stable_sort(
        chosen.begin(), chosen.end(),
        [](const TInterfaceAddress& a, const TInterfaceAddress& b) { return a.Index < b.Index; });
    addresses.clear();
    for (const TInterfaceAddress& c : chosen) addresses.push_back(c.Address);
}

TResult GetHostAddresses(std::vector<TIPv4Address>& addresses) {
    addresses.clear();
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return TResult::Failure(ERROR_NOT_SUPPORTED,
                                std::string("getifaddrs: ") + std::strerror(errno));
    }
    std::vector<TInterfaceAddress> candidates;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
        TInterfaceAddress c;
        c.Index = a->ifa_name ? ::if_nametoindex(a->ifa_name) : 0;
        c.Up = (a->ifa_flags & IFF_UP) != 0;
        c.Loopback = (a->ifa_flags & IFF_LOOPBACK) != 0;
        sockaddr_in in{};
        std::memcpy(&in, a->ifa_addr, sizeof in);
        std::memcpy(c.Address.data(), &in.sin_addr.s_addr, 4);
        candidates.push_back(c);
    }
    ::freeifaddrs(list);
    SelectHostAddresses(candidates, addresses);
    return TResult::Success();
}

TResult GetProcessorLevel(std::uint16_t& level, const std::string& root) {
    level = 0;
    const std::string path = detail::JoinRoot(root, "/proc/cpuinfo");
    std::string text;
    if (!detail::ReadWholeFile(path, text)) return detail::ReadFailure(path, errno);
    const auto family = detail::ParseCpuFamily(text);
    if (!family) {
        return TResult::Failure(ERROR_NOT_SUPPORTED,
                                path + ": no x86 \"cpu family\": the processor level is unknown");
    }
    level = static_cast<std::uint16_t>(*family);
    return TResult::Success();
}

std::uint32_t VersionWord(std::uint32_t major, std::uint32_t minor, std::uint32_t patch) {
    return (major & 0xFF) | ((minor & 0xFF) << 8) |
           ((std::min<std::uint32_t>(patch, 0xFFFF)) << 16);
}

TResult GetVersion(std::uint32_t& version, const std::string& root) {
    version = 0;
    const std::string path = detail::JoinRoot(root, "/proc/sys/kernel/osrelease");
    std::string text;
    if (!detail::ReadWholeFile(path, text)) return detail::ReadFailure(path, errno);
    const auto release = detail::ParseKernelRelease(text);
    if (!release) return detail::Malformed(path, "not a kernel release like 6.1.0");
    version = VersionWord(release->Major, release->Minor, release->Patch);
    return TResult::Success();
}

std::string GetOsName() {
    struct utsname u {};
    if (::uname(&u) != 0 || u.sysname[0] == '\0') return "Linux";
    return u.sysname;
}

std::uint64_t GetTickCount64() {
    timespec t{};
    // CLOCK_BOOTTIME goes on while the machine sleeps; CLOCK_MONOTONIC does not.
    if (::clock_gettime(CLOCK_BOOTTIME, &t) != 0) ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::uint64_t>(t.tv_sec) * 1000u +
           static_cast<std::uint64_t>(t.tv_nsec) / 1000000u;
}

} // namespace keltrix::platform
