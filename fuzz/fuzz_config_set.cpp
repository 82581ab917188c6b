// The config-set reader on arbitrary bytes: it may refuse them, but a set it reads must come
// back the same through writing and reading again.

#include "base/errors.h"
#include "settings/config_set.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

// What the writer puts for keys a file left out.
keltrix::TConfigSet AsWritten(keltrix::TConfigSet set) {
    set.UseFileNameAsBackground = set.UseFileNameAsBackground.value_or(false);
    set.BGFileName = set.BGFileName.value_or("");
    set.BGColor = set.BGColor.value_or(16777215);
    set.AOT = set.AOT.value_or(false);
    set.Alpha = set.Alpha.value_or(255);
    set.PinToDesktop = set.PinToDesktop.value_or(false);
    set.Trans = set.Trans.value_or(false);
    return set;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    keltrix::TConfigSetFile file;
    try {
        file = keltrix::ParseConfigSet(bytes);
    } catch (const keltrix::EConvertError&) {
        return 0;
    } catch (const keltrix::ERangeError&) {
        return 0;
    }
    if (!file.HasFormatString) return 0;
    std::string written;
    try {
        written = keltrix::PackConfigSet(file.Set);
    } catch (const keltrix::EInOutError&) {
        return 0; // a value a line cannot hold
    }
    try {
        const keltrix::TConfigSetFile again = keltrix::ParseConfigSet(written);
        if (!again.HasFormatString || !(again.Set == AsWritten(file.Set))) {
            std::fprintf(stderr, "written set reads back differently:\n%s\n", written.c_str());
            std::abort();
        }
    } catch (const keltrix::EKeltrixError& e) {
        std::fprintf(stderr, "written set does not read: %s\n%s\n", e.what(), written.c_str());
        std::abort();
    }
    return 0;
}
