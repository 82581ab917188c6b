#include "platform/text_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace keltrix::platform {

namespace {

bool Fail(const std::string& path, const std::string& why, std::string& out, std::string* error) {
    out.clear();
    if (error) *error = "cannot read " + path + ": " + why;
    return false;
}

std::string SystemMessage(int code) {
    return std::generic_category().message(code);
}

class TFd {
public:
    explicit TFd(int fd) : Fd(fd) {}
    ~TFd() {
        if (Fd >= 0) ::close(Fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    const int Fd;
};

} // namespace

bool ReadTextFile(const std::string& path, std::string& out, std::string* error) {
    out.clear();
    if (path.empty()) return Fail(path, "no file name", out, error);
    // Non-blocking, so opening a pipe without a writer cannot hang the display.
    const TFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.Fd < 0) return Fail(path, SystemMessage(errno), out, error);
    struct stat info {};
    if (::fstat(file.Fd, &info) != 0) return Fail(path, SystemMessage(errno), out, error);
    if (!S_ISREG(info.st_mode)) return Fail(path, "not a regular file", out, error);
    if (info.st_size > static_cast<off_t>(MaxTextFileSize))
        return Fail(path, "larger than 64 MB", out, error);

    // /proc and /sys files report a size of 0: read until the end whatever the size says.
    // One byte beyond the limit tells a file that grew past it.
    constexpr std::size_t Room = MaxTextFileSize + 1;
    out.resize(info.st_size > 0 ? static_cast<std::size_t>(info.st_size) + 1 : 4096);
    std::size_t used = 0;
    for (;;) {
        if (used == Room) return Fail(path, "larger than 64 MB", out, error);
        if (used == out.size()) out.resize(std::min(out.size() * 2, Room));
        const ssize_t got = ::read(file.Fd, out.data() + used, out.size() - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            return Fail(path, SystemMessage(errno), out, error);
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    out.resize(used);
    return true;
}

TPositionedFile::~TPositionedFile() {
    if (Fd_ >= 0) ::close(Fd_);
}

bool TPositionedFile::Open(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = "cannot read " + path + ": " + why;
        return false;
    };
    if (Fd_ >= 0) ::close(Fd_);
    Fd_ = -1;
    Size_ = 0;
    if (path.empty()) return fail("no file name");
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return fail(SystemMessage(errno));
    struct stat info {};
    const bool statted = ::fstat(fd, &info) == 0;
    if (!statted || !S_ISREG(info.st_mode)) {
        const std::string why = statted ? "not a regular file" : SystemMessage(errno);
        ::close(fd);
        return fail(why);
    }
    Fd_ = fd;
    Size_ = info.st_size > 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    return true;
}

long TPositionedFile::ReadAt(std::uint64_t offset, char* buffer, std::size_t size) {
    std::size_t used = 0;
    while (used < size) {
        const ssize_t got =
            ::pread(Fd_, buffer + used, size - used, static_cast<off_t>(offset + used));
        if (got < 0) {
            if (errno == EINTR) continue;
            return used > 0 ? static_cast<long>(used) : -1;
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    return static_cast<long>(used);
}

} // namespace keltrix::platform
