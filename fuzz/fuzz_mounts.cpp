// The mount table and the DriveMap setting as any text.
#include "platform/drives.h"
#include "platform/linux/proc_parse.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix::platform;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<detail::TMountEntry> entries;
    detail::ParseMounts(text, entries);
    for (const auto& entry : entries) {
        if (entry.Type.empty() || entry.MountPoint.size() > size) std::abort();
    }
    std::vector<TDrive> drives;
    std::string why;
    const bool ok = ParseDriveMap(text, drives, why);
    if (ok != why.empty()) std::abort();
    for (const TDrive& drive : drives) {
        if (drive.Letter < 'A' || drive.Letter > 'Z' || drive.MountPoint.empty() ||
            drive.MountPoint[0] != '/')
            std::abort();
    }
    return 0;
}
