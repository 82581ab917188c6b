#include "net/web_autosave.h"

#include "base/errors.h"
#include "display/layout_text.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace keltrix {
namespace {

std::string Folder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void CannotCreate(const std::string& path, int error) {
    throw EInOutError("Cannot create file \"" + path + "\". " + std::strerror(error));
}

} // namespace

std::optional<std::int32_t> ParseAutoSaveInterval(std::string_view text) {
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty()) return std::nullopt;
    std::int64_t value = 0;
    bool tooLarge = false;
    for (const char c : trimmed) {
        if (c < '0' || c > '9') return std::nullopt;
        if (!tooLarge) value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) tooLarge = true;
    }
    return tooLarge ? 1000 : static_cast<std::int32_t>(value);
}

void SaveDocumentFile(const std::string& path, std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        out.append(text.substr(start, i - start));
        out += "\r\n";
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) {
        out.append(text.substr(start));
        out += "\r\n";
    }

    std::string temp = Folder(path) + "/.keltrix-save-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) CannotCreate(path, errno);
    // The new file keeps the old one's permissions; a first one gets the usual ones.
    struct stat st {};
    mode_t mode = 0666;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    int error = 0;
    if (::fchmod(fd, mode) != 0) error = errno;
    std::string_view rest = out;
    while (!error && !rest.empty()) {
        const ssize_t n = ::write(fd, rest.data(), rest.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0)
            error = errno;
        else
            rest.remove_prefix(static_cast<std::size_t>(n));
    }
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        CannotCreate(path, error);
    }
}

} // namespace keltrix
