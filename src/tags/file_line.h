#pragma once
// One line of a text file as the file-line tag picks it, read without reading more of the
// file than that line needs.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace keltrix {

// A longer line is cut to its first this many bytes (at a character boundary).
inline constexpr std::size_t MaxFileLineBytes = 64u << 10;

// Line L of the file's text: the bytes before the first zero byte, split at CR LF, a lone CR
// or a lone LF, a break at the very end starting no line. 1..K takes line L, 0 and L > K the
// last, a negative L counts back from the last (-1 is the one before it) and stops at the
// first. Nothing when the file cannot be read or has no lines. The bytes, not yet converted.
//
// A positive L reads up to its line. 0 and negative L look for the zero byte from the start
// (the whole file when it has none) and then read the lines back from the end.
std::optional<std::string> ReadFileLine(const std::string& path, std::int64_t line);

} // namespace keltrix
