#pragma once
// Drive letters over the mounted filesystems: C is "/", D, E, ... the other filesystems on
// block devices in mount-point order, and disk space in the shape of GetDiskFreeSpaceEx.

#include "platform/win_types.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix::platform {

struct TDrive {
    char Letter;            // 'A'..'Z'
    std::string MountPoint; // as the root sees it ("/home")
};

struct TDiskSpace {
    std::uint64_t FreeBytesAvailableToCaller = 0;
    std::uint64_t TotalNumberOfBytes = 0;
    std::uint64_t TotalNumberOfFreeBytes = 0;
};

class TDriveMap {
public:
    // root: the folder that holds proc/ ("/" for the running machine).
    explicit TDriveMap(std::string root = "/");

    // Reads the mount table again. overrides: the DriveMap setting, "D=/home;E=/mnt/data";
    // its letters win, and the automatic letters skip both those letters and their mount
    // points. A malformed item is left out and named in the failure, the rest still applies.
    TResult Refresh(std::string_view overrides = {});

    // Drives in letter order.
    const std::vector<TDrive>& Drives() const { return Drives_; }
    // The mount point of a letter (either case), to open in a file manager.
    std::optional<std::string> MountPoint(char letter) const;
    // Space of the filesystem behind the letter; free space is what the user may use.
    TResult GetDiskFreeSpaceEx(char letter, TDiskSpace& space) const;

private:
    std::string Root_;
    std::vector<TDrive> Drives_;
};

// Parsed DriveMap setting: letter and mount point pairs in the order given; why names the
// items that were left out.
bool ParseDriveMap(std::string_view text, std::vector<TDrive>& drives, std::string& why);

} // namespace keltrix::platform
