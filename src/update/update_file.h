#pragma once
// The published update file: the version number on its first line, the download page on its
// second; further lines are ignored.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace keltrix {

// The version this program is; the update file's number is compared with it.
inline constexpr std::int32_t UpdateOwnVersion = 1002;

struct TUpdateFile {
    std::string VersionLine; // as it stands in the file, without its line end
    std::string Page;
    // The first line padded and read as a decimal integer; nullopt when it is not one.
    std::optional<std::int32_t> Version;
};

// A first line shorter than 2 characters gets "0"s until it has 3 ("9" is 900, "" is 0).
std::string PadVersionLine(std::string line);
// The first two lines of text (CR LF, LF or CR end a line; a UTF-8 byte-order mark is skipped).
TUpdateFile ParseUpdateFile(std::string_view text);

enum class TUpdateVerdict { Newer, Current, Outdated, Unreadable };
TUpdateVerdict Judge(const TUpdateFile& file);

} // namespace keltrix
