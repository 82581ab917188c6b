// /proc/stat as any text; a success must carry at least one processor line.
#include "platform/linux/proc_parse.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix::platform::detail;
    TCpuTimes total;
    std::vector<TCpuTimes> cpus;
    std::string why;
    const bool ok = ParseProcStat({reinterpret_cast<const char*>(data), size}, total, cpus, why);
    if (ok && (cpus.empty() || total.Id != -1)) std::abort();
    if (!ok && why.empty()) std::abort();
    return 0;
}
