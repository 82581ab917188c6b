#pragma once
// Whole-file reads and locked, atomic replacement of small files that several processes share
// (the settings file). Failures throw std::system_error naming the file and the reason.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace keltrix::platform {

// An open file descriptor, closed on destruction.
class TFileHandle {
public:
    TFileHandle() = default;
    explicit TFileHandle(int fd) noexcept : Fd_(fd) {}
    TFileHandle(TFileHandle&& other) noexcept : Fd_(other.Release()) {}
    TFileHandle& operator=(TFileHandle&& other) noexcept;
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    ~TFileHandle();

    int Get() const noexcept { return Fd_; }
    explicit operator bool() const noexcept { return Fd_ >= 0; }
    int Release() noexcept;

private:
    int Fd_ = -1;
};

// Identifies one version of a file cheaply; equal stamps mean "not changed since".
struct TFileStamp {
    bool Exists = false;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t Size = 0;
    std::int64_t ModifiedNs = 0;
    std::int64_t ChangedNs = 0;
    bool operator==(const TFileStamp&) const = default;
};

// One version of a file as read. Pin keeps that version open so that its inode number cannot be
// handed to a later version while someone compares stamps against it.
struct TFileSnapshot {
    bool Exists = false;
    std::string Text;
    TFileStamp Stamp;
    TFileHandle Pin;
};

// Stamp of what the path names now; Exists is false when there is no such file.
TFileStamp StatFile(const std::string& path);

// The whole file; Exists is false when there is no such file.
TFileSnapshot ReadFileSnapshot(const std::string& path);

// Returns the new content, or nothing to leave the file as it is.
using TFileTransform = std::function<std::optional<std::string>(const TFileSnapshot& current)>;

// Read-modify-write under an exclusive advisory lock on "<file>.lock": reads the current
// content, calls transform, and when it returns new content replaces the file atomically
// (temporary file in the same folder, fsync, rename, fsync of the folder). The folder is
// created with folderMode when missing. Returns the file as it is afterwards. An exception
// from transform leaves the file untouched and is passed on.
TFileSnapshot UpdateFileLocked(const std::string& path, const TFileTransform& transform,
                               unsigned folderMode = 0700);

// Replaces the file with content atomically, without a lock (for files one process owns):
// a temporary file of a unique name in the same folder, fsync, rename, fsync of the folder.
// An existing file keeps its permissions; a new one gets 0666 less the umask. A symbolic link
// stays a link. Returns the stamp of the new version; on failure the file is left untouched.
TFileStamp ReplaceFileAtomically(const std::string& path, std::string_view content);

} // namespace keltrix::platform
