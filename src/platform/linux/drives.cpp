#include "platform/drives.h"
#include "platform/ascii.h"

#include "platform/linux/proc_parse.h"
#include "platform/linux/sys_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <sys/statvfs.h>

namespace keltrix::platform {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// A filesystem that holds the user's files: on a block device, or one of the types that
// Windows peers call drives even when FUSE carries them.
bool IsDriveLike(const detail::TMountEntry& entry) {
    if (entry.Type == "squashfs") return false; // read-only images (snaps), always full
    static constexpr std::string_view driveTypes[] = {"ntfs", "ntfs3", "vfat", "fuseblk", "exfat"};
    if (std::find(std::begin(driveTypes), std::end(driveTypes), entry.Type) != std::end(driveTypes))
        return true;
    return StartsWith(entry.Source, "/dev/");
}

} // namespace

bool ParseDriveMap(std::string_view text, std::vector<TDrive>& drives, std::string& why) {
    drives.clear();
    why.clear();
    while (!text.empty()) {
        const auto semicolon = text.find(';');
        const std::string_view item = detail::Trim(text.substr(0, semicolon));
        text.remove_prefix(semicolon == std::string_view::npos ? text.size() : semicolon + 1);
        if (item.empty()) continue;
        const char letter = AsciiUpper(item[0]);
        const std::string_view path =
            item.size() >= 2 ? detail::Trim(item.substr(2)) : std::string_view();
        if (letter < 'A' || letter > 'Z' || item.size() < 3 || item[1] != '=' || path.empty() ||
            path.front() != '/') {
            why += why.empty() ? "DriveMap: bad item \"" : ", \"";
            why.append(item);
            why += '"';
            continue;
        }
        auto same = std::find_if(drives.begin(), drives.end(),
                                 [letter](const TDrive& d) { return d.Letter == letter; });
        if (same != drives.end())
            same->MountPoint.assign(path);
        else
            drives.push_back({letter, std::string(path)});
    }
    if (!why.empty()) why += " (expected items like D=/home separated by \";\")";
    return why.empty();
}

TDriveMap::TDriveMap(std::string root) : Root_(std::move(root)) {
    Drives_.push_back({'C', "/"});
}

TResult TDriveMap::Refresh(std::string_view overrides) {
    std::vector<TDrive> chosen;
    std::string overrideWhy;
    const bool overridesOk = ParseDriveMap(overrides, chosen, overrideWhy);

    // Without the mount table the overrides and C still stand.
    const std::string path = detail::JoinRoot(Root_, "/proc/self/mounts");
    std::string text;
    TResult mountsRead = TResult::Success();
    if (!detail::ReadWholeFile(path, text)) mountsRead = detail::ReadFailure(path, errno);
    std::vector<detail::TMountEntry> mounts;
    detail::ParseMounts(text, mounts);

    std::vector<std::string> points;
    for (const detail::TMountEntry& entry : mounts) {
        if (entry.MountPoint == "/" || entry.MountPoint.empty() || entry.MountPoint[0] != '/' ||
            !IsDriveLike(entry))
            continue;
        // Files bound over files (a container's /etc/hosts) are no drives.
        struct stat st {};
        const std::string local = detail::JoinRoot(Root_, entry.MountPoint);
        if (::stat(local.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) continue;
        points.push_back(entry.MountPoint);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());

    auto letterTaken = [&chosen](char letter) {
        return std::any_of(chosen.begin(), chosen.end(),
                           [letter](const TDrive& d) { return d.Letter == letter; });
    };
    auto pointTaken = [&chosen](const std::string& point) {
        return std::any_of(chosen.begin(), chosen.end(),
                           [&point](const TDrive& d) { return d.MountPoint == point; });
    };
    if (!letterTaken('C')) chosen.push_back({'C', "/"});
    char next = 'D';
    for (const std::string& point : points) {
        if (pointTaken(point)) continue;
        while (next <= 'Z' && letterTaken(next)) ++next;
        if (next > 'Z') break;
        chosen.push_back({next++, point});
    }
    std::sort(chosen.begin(), chosen.end(),
              [](const TDrive& a, const TDrive& b) { return a.Letter < b.Letter; });
    Drives_ = std::move(chosen);
    if (!mountsRead) return mountsRead;
    if (!overridesOk) return TResult::Failure(ERROR_INVALID_DATA, overrideWhy);
    return TResult::Success();
}

std::optional<std::string> TDriveMap::MountPoint(char letter) const {
    letter = AsciiUpper(letter);
    for (const TDrive& drive : Drives_) {
        if (drive.Letter == letter) return drive.MountPoint;
    }
    return std::nullopt;
}

TResult TDriveMap::GetDiskFreeSpaceEx(char letter, TDiskSpace& space) const {
    space = TDiskSpace{};
    const auto point = MountPoint(letter);
    if (!point) {
        return TResult::Failure(ERROR_INVALID_DRIVE,
                                std::string("no drive ") + AsciiUpper(letter) + ": is mapped");
    }
    const std::string local = detail::JoinRoot(Root_, *point);
    struct statvfs fs {};
    if (::statvfs(local.c_str(), &fs) != 0) {
        return TResult::Failure(ERROR_NOT_READY, std::string("drive ") + AsciiUpper(letter) +
                                                     ": (" + local + "): " + std::strerror(errno));
    }
    const std::uint64_t unit = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
    space.TotalNumberOfBytes = static_cast<std::uint64_t>(fs.f_blocks) * unit;
    space.TotalNumberOfFreeBytes = static_cast<std::uint64_t>(fs.f_bfree) * unit;
    space.FreeBytesAvailableToCaller = static_cast<std::uint64_t>(fs.f_bavail) * unit;
    return TResult::Success();
}

} // namespace keltrix::platform
