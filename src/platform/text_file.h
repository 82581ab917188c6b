#pragma once
// Text files named by the user: read whole (links, config sets), or by position (the
// file-line tag, which reads only what the chosen line needs).

#include <cstddef>
#include <cstdint>
#include <string>

namespace keltrix::platform {

// Larger files are refused rather than read into memory on every refresh.
inline constexpr std::size_t MaxTextFileSize = 64u << 20;

// The bytes of a regular file into out. Devices and pipes are refused: they may never end or
// never answer. False with a message naming the file in *error (when given) on failure; out is
// then empty.
bool ReadTextFile(const std::string& path, std::string& out, std::string* error);

// A regular file read by position. Devices and pipes are refused, as above.
class TPositionedFile {
public:
    TPositionedFile() = default;
    ~TPositionedFile();
    TPositionedFile(const TPositionedFile&) = delete;
    TPositionedFile& operator=(const TPositionedFile&) = delete;

    // False with a message naming the file in *error (when given).
    bool Open(const std::string& path, std::string* error);
    // The size the file reports: 0 for /proc and /sys files, which are read to their end.
    std::uint64_t Size() const { return Size_; }
    // Up to size bytes from offset; fewer at the end. -1 on a read error.
    long ReadAt(std::uint64_t offset, char* buffer, std::size_t size);

private:
    int Fd_ = -1;
    std::uint64_t Size_ = 0;
};

} // namespace keltrix::platform
