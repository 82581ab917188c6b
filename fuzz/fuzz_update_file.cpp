// The downloaded update file: any bytes. The version is read from the padded first line only.
#include "update/update_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const keltrix::TUpdateFile file = keltrix::ParseUpdateFile(text);
    if (file.VersionLine.find_first_of("\r\n") != std::string::npos) std::abort();
    if (file.Page.find_first_of("\r\n") != std::string::npos) std::abort();
    if (file.VersionLine.size() + file.Page.size() > size) std::abort();
    const keltrix::TUpdateVerdict verdict = keltrix::Judge(file);
    if ((verdict == keltrix::TUpdateVerdict::Unreadable) != !file.Version) std::abort();
    return 0;
}
