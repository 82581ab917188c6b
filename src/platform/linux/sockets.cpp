#include "platform/sockets.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace keltrix::platform {
namespace {

void SetError(std::string* error, const std::string& what, int code) {
    if (error) *error = what + ": " + std::strerror(code);
}

std::string AddressText(const sockaddr* sa) {
    char host[INET6_ADDRSTRLEN] = "?";
    std::uint16_t port = 0;
    if (sa->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(sa);
        inet_ntop(AF_INET, &in->sin_addr, host, sizeof host);
        port = ntohs(in->sin_port);
        return std::string(host) + ":" + std::to_string(port);
    }
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(sa);
    inet_ntop(AF_INET6, &in6->sin6_addr, host, sizeof host);
    port = ntohs(in6->sin6_port);
    return "[" + std::string(host) + "]:" + std::to_string(port);
}

void AppendAddresses(const addrinfo* list, std::vector<TSocketAddress>& out) {
    for (const addrinfo* ai = list; ai; ai = ai->ai_next) {
        if (ai->ai_family != AF_INET && ai->ai_family != AF_INET6) continue;
        TSocketAddress a;
        const auto* p = reinterpret_cast<const std::uint8_t*>(ai->ai_addr);
        a.Bytes.assign(p, p + ai->ai_addrlen);
        a.Text = AddressText(ai->ai_addr);
        out.push_back(std::move(a));
    }
}

bool Resolve(const std::string& host, std::uint16_t port, int flags,
             std::vector<TSocketAddress>& out, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    addrinfo* list = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0) {
        if (error) *error = "cannot resolve " + host + ": " + gai_strerror(rc);
        return false;
    }
    out.clear();
    AppendAddresses(list, out);
    freeaddrinfo(list);
    if (out.empty() && error) *error = "no address for " + host;
    return !out.empty();
}

int BoundSocket(int family, std::uint16_t port, std::string* error) {
    const int fd = socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetError(error, "cannot listen on port " + std::to_string(port), errno);
        return -1;
    }
    const int one = 1, zero = 0;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    int rc;
    if (family == AF_INET6) {
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &zero, sizeof zero);
        sockaddr_in6 a{};
        a.sin6_family = AF_INET6;
        a.sin6_addr = in6addr_any;
        a.sin6_port = htons(port);
        rc = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    } else {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_ANY);
        a.sin_port = htons(port);
        rc = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    if (rc != 0 || listen(fd, SOMAXCONN) != 0) {
        const int code = errno;
        SetError(error, "cannot listen on port " + std::to_string(port), code);
        close(fd);
        errno = code;
        return -1;
    }
    return fd;
}

} // namespace

int ListenTcp(std::uint16_t port, std::string* error) {
    std::string v6error;
    const int fd = BoundSocket(AF_INET6, port, &v6error);
    if (fd >= 0) return fd;
    // A port in use or refused fails both; only a machine without IPv6 gets IPv4 alone.
    if (errno == EADDRINUSE || errno == EACCES) {
        if (error) *error = v6error;
        return -1;
    }
    return BoundSocket(AF_INET, port, error);
}

std::uint16_t LocalPort(int fd) {
    sockaddr_storage ss{};
    socklen_t len = sizeof ss;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&ss), &len) != 0) return 0;
    if (ss.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&ss)->sin_port);
    if (ss.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&ss)->sin6_port);
    return 0;
}

TAcceptResult AcceptTcp(int listenFd, int& fd, std::string* error) {
    fd = accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        return TAcceptResult::Accepted;
    }
    const int code = errno;
    if (code == EAGAIN || code == EWOULDBLOCK || code == EINTR || code == ECONNABORTED)
        return TAcceptResult::NoneWaiting;
    SetError(error, "accept", code);
    if (code == EMFILE || code == ENFILE || code == ENOBUFS || code == ENOMEM)
        return TAcceptResult::OutOfDescriptors;
    return TAcceptResult::Failed;
}

bool ResolveNumeric(const std::string& host, std::uint16_t port, std::vector<TSocketAddress>& out) {
    return Resolve(host, port, AI_NUMERICHOST, out, nullptr);
}

bool ResolveTcp(const std::string& host, std::uint16_t port, std::vector<TSocketAddress>& out,
                std::string* error) {
    return Resolve(host, port, AI_ADDRCONFIG, out, error);
}

struct TResolveJob::TShared {
    std::mutex Lock;
    bool Done = false;
    std::vector<TSocketAddress> Addresses;
    std::string Error;
    int Fd = -1;
    ~TShared() {
        if (Fd >= 0) close(Fd);
    }
};

TResolveJob::TResolveJob(std::string host, std::uint16_t port)
    : Shared_(std::make_shared<TShared>()) {
    Shared_->Fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    // The worker owns its share: a job given up while a name server is slow costs nothing.
    std::thread([shared = Shared_, host = std::move(host), port] {
        std::vector<TSocketAddress> addresses;
        std::string error;
        ResolveTcp(host, port, addresses, &error);
        std::lock_guard<std::mutex> hold(shared->Lock);
        shared->Addresses = std::move(addresses);
        shared->Error = std::move(error);
        shared->Done = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = write(shared->Fd, &one, sizeof one);
    }).detach();
}

TResolveJob::~TResolveJob() = default;

int TResolveJob::Fd() const {
    return Shared_->Fd;
}

bool TResolveJob::Take(std::vector<TSocketAddress>& addresses, std::string& error) {
    std::lock_guard<std::mutex> hold(Shared_->Lock);
    if (!Shared_->Done) return false;
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t n = read(Shared_->Fd, &count, sizeof count);
    addresses = Shared_->Addresses;
    error = Shared_->Error;
    return true;
}

int ConnectTcp(const TSocketAddress& address, std::string* error) {
    const auto* sa = reinterpret_cast<const sockaddr*>(address.Bytes.data());
    const int fd = socket(sa->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        SetError(error, "socket", errno);
        return -1;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (connect(fd, sa, static_cast<socklen_t>(address.Bytes.size())) != 0 &&
        errno != EINPROGRESS) {
        SetError(error, "cannot connect to " + address.Text, errno);
        close(fd);
        return -1;
    }
    return fd;
}

bool ConnectResult(int fd, std::string* error) {
    int code = 0;
    socklen_t len = sizeof code;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &len) != 0) code = errno;
    if (code == 0) return true;
    SetError(error, "cannot connect", code);
    return false;
}

TIoResult SendSome(int fd, const void* data, std::size_t size, std::size_t& sent,
                   std::string* error) {
    sent = 0;
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n >= 0) {
        sent = static_cast<std::size_t>(n);
        return TIoResult::Done;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return TIoResult::WouldBlock;
    SetError(error, "send", errno);
    return TIoResult::Failed;
}

TIoResult ReceiveSome(int fd, void* data, std::size_t size, std::size_t& received,
                      std::string* error) {
    received = 0;
    const ssize_t n = recv(fd, data, size, MSG_DONTWAIT);
    if (n > 0) {
        received = static_cast<std::size_t>(n);
        return TIoResult::Done;
    }
    if (n == 0) return TIoResult::Closed;
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return TIoResult::WouldBlock;
    SetError(error, "receive", errno);
    return TIoResult::Failed;
}

void CloseSocket(int fd) {
    if (fd >= 0) close(fd);
}

} // namespace keltrix::platform
