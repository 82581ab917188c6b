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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TServer server;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(server.Service.BoundPort()));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Thousands of connections a second can run out of local ports for a moment: wait for
    // one to come free rather than calling that a fault of the server.
    int tries = 0;
    while (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        if (errno != EADDRNOTAVAIL || ++tries > 200) {
            std::fprintf(stderr, "connect: %s\n", std::strerror(errno));
            std::abort();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    (void)::send(fd, data, size, MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_WR);
    char buffer[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        // Every connection ends within its time-out: answered, refused, or closed by the
        // server (8 s leaves room for a busy machine; libFuzzer's own limit is 10 s).
        if (::poll(&p, 1, 8000) <= 0) std::abort();
        if (::recv(fd, buffer, sizeof buffer, 0) <= 0) break;
    }
    // A reset instead of a closing handshake leaves no TIME_WAIT holding the local port.
    const linger reset{1, 0};
    (void)::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    ::close(fd);
    return 0;
}
