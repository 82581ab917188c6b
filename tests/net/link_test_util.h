#pragma once
// Plain blocking peers on loopback for the link tests, and records to send.

#include "measure/raw_data.h"
#include "platform/event_loop.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace keltrix::testing {

using Bytes = std::vector<std::uint8_t>;

inline TRawData HostRecord(const char* name = "HOST1", std::uint8_t tag = 0) {
    TRawData r{};
    r.Marker = RecordMarker;
    r.CompName.Set(name);
    r.TopProcPercent = tag;
    return r;
}

inline Bytes RecordBytes(const TRawData& r) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&r);
    return Bytes(p, p + RecordSize);
}

inline sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

// A listening socket on a free loopback port.
inline int RawListen(std::uint16_t& port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(0);
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 512) != 0) {
        close(fd);
        return -1;
    }
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

// A port that nobody listens on (bound once, then released).
inline std::uint16_t FreePort() {
    std::uint16_t port = 0;
    close(RawListen(port));
    return port;
}

inline int RawConnect(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a = Loopback(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

inline bool WaitReadable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, ms) == 1;
}

inline int RawAccept(int listenFd, int ms = 2000) {
    return WaitReadable(listenFd, ms) ? accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC) : -1;
}

inline std::size_t Pending(int fd) {
    int n = 0;
    ioctl(fd, FIONREAD, &n);
    return static_cast<std::size_t>(n);
}

inline void SendAll(int fd, const Bytes& b) {
    std::size_t at = 0;
    while (at < b.size()) {
        const ssize_t n = send(fd, b.data() + at, b.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return;
        at += static_cast<std::size_t>(n);
    }
}

// Whatever is waiting, up to max bytes, without blocking.
inline Bytes Receive(int fd, std::size_t max = 1 << 20) {
    Bytes b(max);
    const ssize_t n = recv(fd, b.data(), b.size(), MSG_DONTWAIT);
    b.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return b;
}

// Runs the loop until count bytes wait on fd; then takes them.
inline Bytes ReceiveExactly(platform::TPollLoop& loop, int fd, std::size_t count, int ms = 3000) {
    loop.RunUntil([&] { return Pending(fd) >= count; }, ms);
    Bytes b(count);
    const ssize_t n = recv(fd, b.data(), count, MSG_DONTWAIT);
    b.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return b;
}

// The peer closed: a read returns 0.
inline bool PeerClosed(int fd, int ms) {
    if (!WaitReadable(fd, ms)) return false;
    char c;
    return recv(fd, &c, 1, MSG_DONTWAIT | MSG_PEEK) == 0;
}

} // namespace keltrix::testing
