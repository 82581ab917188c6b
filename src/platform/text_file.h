#pragma once
// Text files named by the user (the file-line tag), read whole on every call.

#include <cstddef>
#include <string>

namespace keltrix::platform {

// Larger files are refused rather than read into memory on every refresh.
inline constexpr std::size_t MaxTextFileSize = 64u << 20;

// The bytes of a regular file into out. Devices and pipes are refused: they may never end or
// never answer. False with a message naming the file in *error (when given) on failure; out is
// then empty.
bool ReadTextFile(const std::string& path, std::string& out, std::string* error);

} // namespace keltrix::platform
