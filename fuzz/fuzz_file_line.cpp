// Any bytes as a text file, any line number: the bounded reading must pick what splitting the
// whole text in memory picks.
#include "tags/file_line.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

std::optional<std::string> Model(std::string text, std::int64_t line) {
    text.resize(std::min(text.find('\0'), text.size()));
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    if (lines.empty()) return std::nullopt;
    const auto k = static_cast<std::int64_t>(lines.size());
    if (line >= 1 && line <= k) return lines[static_cast<std::size_t>(line - 1)];
    if (line < 0) return lines[static_cast<std::size_t>(std::max<std::int64_t>(0, k - 1 + line))];
    return lines.back();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte is the line number, -128..127; lines stay short of the cut.
    const std::int64_t line = static_cast<std::int8_t>(data[0]);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (text.size() > 60000) return 0;
    static const int fd = ::memfd_create("fuzz-file-line", 0);
    if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()))
        std::abort();
    const auto got = keltrix::ReadFileLine("/proc/self/fd/" + std::to_string(fd), line);
    if (got != Model(text, line)) std::abort();
    return 0;
}
