// /proc/cpuinfo as any text.
#include "platform/linux/proc_parse.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix::platform::detail;
    const auto family = ParseCpuFamily({reinterpret_cast<const char*>(data), size});
    if (family && *family > 0xFFFF) std::abort();
    return 0;
}
