#include "platform/single_instance.h"

#include "platform/file_store.h"
#include "platform/paths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace keltrix::platform {
namespace {

void Tell(std::string* to, const std::string& text) {
    if (to) *to = text;
}

// The socket address of path. A path longer than the address holds is reached through a
// descriptor of its folder (/proc/self/fd/N/name), which folder keeps open while in use.
bool MakeAddress(const std::string& path, sockaddr_un& addr, TFileHandle& folder,
                 std::string* error) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    std::string name = path;
    if (name.size() >= sizeof addr.sun_path) {
        const std::size_t slash = path.rfind('/');
        folder = TFileHandle(open(path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!folder) {
            Tell(error, path.substr(0, slash) + ": " + std::strerror(errno));
            return false;
        }
        name = "/proc/self/fd/" + std::to_string(folder.Get()) + path.substr(slash);
        if (name.size() >= sizeof addr.sun_path) {
            Tell(error, "name too long: " + path);
            return false;
        }
    }
    std::memcpy(addr.sun_path, name.c_str(), name.size() + 1);
    return true;
}

} // namespace

TMutexState AcquireNamedMutex(const std::string& name, std::string* problem) {
    const TRuntimeFolder& folder = RuntimeFolder();
    if (folder.Path.empty()) {
        Tell(problem, folder.Problem);
        return TMutexState::Unavailable;
    }
    const std::string path = folder.Path + "/" + name + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        Tell(problem, "the lock file " + path + " cannot be opened: " + std::strerror(errno));
        return TMutexState::Unavailable;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) return TMutexState::HeldElsewhere;
        Tell(problem, "the lock file " + path + " cannot be locked: " + std::strerror(error));
        return TMutexState::Unavailable;
    }
    // Kept open on purpose: the lock goes when the process does, as the mutex would.
    return TMutexState::Owned;
}

TNamedEvent::TNamedEvent(std::string name) : Name_(std::move(name)) {}

TNamedEvent::~TNamedEvent() {
    if (Fd_ < 0) return;
    close(Fd_);
    unlink(Path_.c_str());
}

bool TNamedEvent::Create(std::string* error) {
    const TRuntimeFolder& folder = RuntimeFolder();
    if (folder.Path.empty()) {
        Tell(error, folder.Problem);
        return false;
    }
    Path_ = folder.Path + "/" + Name_;
    sockaddr_un addr{};
    TFileHandle via;
    if (!MakeAddress(Path_, addr, via, error)) {
        Path_.clear();
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        Tell(error, std::strerror(errno));
        Path_.clear();
        return false;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            Fd_ = fd;
            return true;
        }
        if (errno != EADDRINUSE) break;
        // A socket file left by a process that died answers "refused": take it over.
        const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const bool alive =
            probe >= 0 && connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        if (probe >= 0) close(probe);
        if (alive) {
            Tell(error, "another instance listens on " + Path_);
            close(fd);
            Path_.clear();
            return false;
        }
        unlink(Path_.c_str());
    }
    Tell(error, Path_ + ": " + std::strerror(errno));
    close(fd);
    Path_.clear();
    return false;
}

bool TNamedEvent::Consume() {
    bool any = false;
    char buf[64];
    while (recv(Fd_, buf, sizeof buf, 0) >= 0) any = true;
    return any;
}

bool TNamedEvent::Set(const std::string& name) {
    const TRuntimeFolder& folder = RuntimeFolder();
    if (folder.Path.empty()) return false;
    sockaddr_un addr{};
    TFileHandle via;
    if (!MakeAddress(folder.Path + "/" + name, addr, via, nullptr)) return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const char signal = 1;
    const bool sent =
        sendto(fd, &signal, 1, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 1;
    close(fd);
    return sent;
}

} // namespace keltrix::platform
