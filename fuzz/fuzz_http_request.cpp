// Arbitrary bytes sent to the web service's port on loopback as one connection's whole input:
// the request reader, the dispatcher and every answer behind it.
#include "../tests/net/web_fixture.h"
#include "net/web_service.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

struct TServer {
    keltrix::test::TFakeMonitor Monitor;
    keltrix::TWebService Service{Monitor.View, Limits()};
    static keltrix::THttpLimits Limits() {
        keltrix::THttpLimits l;
        l.ReadTimeoutMs = 200;
        l.IdleTimeoutMs = 200;
        l.Workers = 2;
        return l;
    }
    TServer() {
        Monitor.Apply("<B>line</B> <NAME=ProcUsage> <NAME=DriveSpace FORMAT=\"C FREE\"> "
                      "<NAME=Threads>");
        Service.Host = "127.0.0.1";
        Service.SetPort(0);
        std::string error;
        if (!Service.Start(error)) std::abort();
    }
};

// libFuzzer's time-out alarm interrupts the waits below: they go on for what is left.
bool Wait(int fd, short events, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left.count()));
        if (n > 0) return true;
        if (n == 0 || errno != EINTR) return false;
    }
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "%s: %s\n", what, std::strerror(errno));
    std::abort();
}

void Connect(int fd, const sockaddr_in& a) {
    // Thousands of connections a second can run out of local ports for a moment: wait for
    // one to come free rather than calling that a fault of the server.
    for (int tries = 0; ::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0;
         ++tries) {
        if (errno == EINTR) { // the connection goes on being made
            int error = 0;
            socklen_t length = sizeof error;
            if (!Wait(fd, POLLOUT, std::chrono::seconds(8))) Fail("connect");
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            errno = error;
            if (error == 0) return;
            Fail("connect");
        }
        if (errno != EADDRNOTAVAIL || tries == 200) Fail("connect");
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TServer server;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(server.Service.BoundPort()));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    Connect(fd, a);
    while (::send(fd, data, size, MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
    ::shutdown(fd, SHUT_WR);
    char buffer[65536];
    for (;;) {
        // Every connection ends within its time-out: answered, refused, or closed by the
        // server (8 s leaves room for a busy machine; libFuzzer's own limit is 10 s).
        if (!Wait(fd, POLLIN, std::chrono::seconds(8))) Fail("no answer and no close in 8 s");
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
    }
    // A reset instead of a closing handshake leaves no TIME_WAIT holding the local port.
    const linger reset{1, 0};
    (void)::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(fd);
    return 0;
}
