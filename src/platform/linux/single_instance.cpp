#include "platform/single_instance.h"

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

bool MakeAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

bool AcquireNamedMutex(const std::string& name) {
    const std::string path = RuntimeDir() + "/" + name + ".lock";
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    // Kept open on purpose: the lock goes when the process does, as the mutex would.
    return true;
}

TNamedEvent::TNamedEvent(std::string name) : Name_(std::move(name)) {}

TNamedEvent::~TNamedEvent() {
    if (Fd_ < 0) return;
    close(Fd_);
    unlink(Path_.c_str());
}

bool TNamedEvent::Create(std::string* error) {
    Path_ = RuntimeDir() + "/" + Name_;
    sockaddr_un addr{};
    if (!MakeAddress(Path_, addr)) {
        if (error) *error = "path too long: " + Path_;
        return false;
    }
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
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
            if (error) *error = "another instance listens on " + Path_;
            close(fd);
            Path_.clear();
            return false;
        }
        unlink(Path_.c_str());
    }
    if (error) *error = Path_ + ": " + std::strerror(errno);
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
    sockaddr_un addr{};
    if (!MakeAddress(RuntimeDir() + "/" + name, addr)) return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const char signal = 1;
    const bool sent =
        sendto(fd, &signal, 1, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 1;
    close(fd);
    return sent;
}

} // namespace keltrix::platform
