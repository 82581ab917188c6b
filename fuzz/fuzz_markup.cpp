// Display lines as the formatters leave them: any bytes, any codes, cut or nested.
#include "display/markup.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view caption(reinterpret_cast<const char*>(data), size);
    auto runs = keltrix::ParseMarkup(caption, {size % 2 == 1, false, false});
    const std::int64_t advance = keltrix::LayoutMarkup(runs, [](const keltrix::TMarkupRun& run) {
        return static_cast<std::int32_t>(run.Text.size() * 7);
    });
    std::int64_t x = 0;
    for (const auto& run : runs) {
        // Only "<<>" puts a "<" into a run, and then as the whole run.
        if (run.Text.find('<') != std::string::npos && run.Text != "<") std::abort();
        if (run.Text.empty() && !run.MoveTo) std::abort();
        if (run.MoveTo) x = *run.MoveTo;
        if (run.X != x) std::abort();
        x += run.Width;
    }
    if (x != advance) std::abort();
    keltrix::ReadColorText(caption);
    return 0;
}
