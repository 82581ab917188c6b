// /proc/net/dev as any text; parsed twice into the same list, as the table source does.
#include "platform/linux/proc_parse.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix::platform::detail;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<TNetDevLine> lines;
    std::string why;
    const bool first = ParseNetDev(text, lines, why);
    const std::size_t count = lines.size();
    const bool second = ParseNetDev(text, lines, why);
    if (first != second || (first && lines.size() != count)) std::abort();
    for (const TNetDevLine& line : lines) {
        if (first && line.Name.empty()) std::abort();
    }
    return 0;
}
