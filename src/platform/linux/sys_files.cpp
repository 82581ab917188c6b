#include "platform/linux/sys_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keltrix::platform::detail {

std::string JoinRoot(std::string_view root, std::string_view path) {
    while (!path.empty() && path.front() == '/') path.remove_prefix(1);
    std::string out(root.empty() ? std::string_view("/") : root);
    if (out.back() != '/') out += '/';
    out += path;
    return out;
}

bool ReadWholeFile(const char* path, std::string& out) {
    out.clear();
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    // /proc files report size 0, so read until the end. A stack chunk rather than growing
    // the string: a string would be zero-filled before every read of these small files.
    char chunk[4096];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (got == 0) break;
        out.append(chunk, static_cast<std::size_t>(got));
    }
    const int saved = errno;
    ::close(fd);
    if (!ok) out.clear();
    errno = saved;
    return ok;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    return ReadWholeFile(path.c_str(), out);
}

long ReadFileAt(int dirFd, const char* name, char* buffer, std::size_t capacity) {
    const int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    std::size_t used = 0;
    while (used < capacity) {
        const ssize_t got = ::read(fd, buffer + used, capacity - used);
        if (got < 0) {
            if (errno == EINTR) continue;
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return -1;
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    ::close(fd);
    return static_cast<long>(used);
}

TResult ReadFailure(std::string_view path, int error) {
    std::uint32_t code = ERROR_FILE_NOT_FOUND;
    if (error == EACCES || error == EPERM)
        code = ERROR_ACCESS_DENIED;
    else if (error != ENOENT && error != ENOTDIR)
        code = ERROR_NOT_READY;
    std::string reason = "cannot read ";
    reason += path;
    reason += ": ";
    reason += std::strerror(error);
    return TResult::Failure(code, std::move(reason));
}

TResult Malformed(std::string_view path, std::string_view why) {
    std::string reason(path);
    reason += ": ";
    reason += why;
    return TResult::Failure(ERROR_INVALID_DATA, std::move(reason));
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace keltrix::platform::detail
