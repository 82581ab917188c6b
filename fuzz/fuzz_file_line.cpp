// Any bytes as a text file, any line number: the bounded reading must pick what splitting the
// whole text in memory picks.
#include "../tests/tags/file_line_model.h"
#include "tags/file_line.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

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
    if (got != keltrix::testing::Model(text, line)) std::abort();
    return 0;
}
