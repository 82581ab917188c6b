// /proc/<pid>/stat, /proc/loadavg, /proc/uptime and the kernel release as any text.
#include "platform/linux/proc_parse.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix::platform::detail;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TPidStat stat;
    if (ParsePidStat(text, stat)) {
        // The name is a view into the text.
        if (stat.Comm.data() < text.data() ||
            stat.Comm.data() + stat.Comm.size() > text.data() + text.size())
            std::abort();
    }
    (void)ParseLoadavgThreads(text);
    (void)ParseUptime100ns(text);
    (void)ParseKernelRelease(text);
    return 0;
}
