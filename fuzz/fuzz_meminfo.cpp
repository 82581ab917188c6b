// /proc/meminfo as any text.
#include "platform/linux/proc_parse.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix::platform::detail;
    TMemInfo info;
    std::string why;
    const bool ok = ParseMemInfo({reinterpret_cast<const char*>(data), size}, info, why);
    if (ok && info.MemTotalKB == 0) std::abort();
    if (!ok && why.empty()) std::abort();
    return 0;
}
