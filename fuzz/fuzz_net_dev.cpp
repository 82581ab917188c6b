// /proc/net/dev as any text; parsed twice into the same list, as the table source does.
#include "platform/if_table.h"
#include "platform/linux/proc_parse.h"

#include <algorithm>

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
    // The same bytes as a NetInterfaces setting: names without separators, blanks at their
    // ends or repeats.
    const auto names = keltrix::platform::ParseInterfaceList(text);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& n = names[i];
        if (n.empty() || n.find(';') != std::string::npos || n.front() == ' ' || n.back() == ' ' ||
            std::find(names.begin(), names.begin() + static_cast<long>(i), n) !=
                names.begin() + static_cast<long>(i))
            std::abort();
    }
    return 0;
}
