// The settings file parser on arbitrary bytes: it may refuse them, but what it accepts must
// come back unchanged through writing and parsing again.

#include "settings/registry_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    keltrix::TRegistryFile file;
    try {
        file = keltrix::TRegistryFile::Parse(text, "fuzz.reg");
    } catch (const keltrix::ERegistryFileError&) {
        return 0;
    }
    const std::string written = file.Write();
    try {
        const keltrix::TRegistryFile again = keltrix::TRegistryFile::Parse(written, "written.reg");
        if (!(again == file) || again.Write() != written) {
            std::fprintf(stderr, "written text reads back differently:\n%s\n", written.c_str());
            std::abort();
        }
    } catch (const keltrix::ERegistryFileError& e) {
        std::fprintf(stderr, "written text does not parse: %s\n%s\n", e.what(), written.c_str());
        std::abort();
    }
    return 0;
}
