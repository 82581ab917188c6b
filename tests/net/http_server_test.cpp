#include "net/web_http_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace keltrix {
namespace {

using namespace std::chrono_literals;

int Connect(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void Send(int fd, const std::string& text) {
    ASSERT_EQ(::send(fd, text.data(), text.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(text.size()));
}

// Everything until the peer closes or nothing comes for waitMs.
std::string Receive(int fd, int waitMs = 2000) {
    std::string out;
    char buf[65536];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, waitMs) <= 0) break;
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

class HttpServer : public ::testing::Test {
protected:
    void SetUp() override {
        Limits.ReadTimeoutMs = 400;
        Limits.IdleTimeoutMs = 400;
        Limits.Workers = 2;
        Limits.MaxBody = 1000;
        Limits.MaxHead = 2000;
        Start();
    }
    void Start() {
        Server = std::make_unique<THttpServer>(
            Limits, [this](const httplib::Request& req, httplib::Response& res) {
                ++Calls;
                res.set_content(req.method + " " + req.path + " " + std::to_string(req.body.size()),
                                "text/plain");
            });
        std::string error;
        ASSERT_TRUE(Server->Start("127.0.0.1", 0, error)) << error;
        Port = Server->Port();
    }
    std::string Get(const std::string& path) {
        const int fd = Connect(Port);
        Send(fd, "GET " + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        std::string answer = Receive(fd);
        ::close(fd);
        return answer;
    }
    THttpLimits Limits;
    std::unique_ptr<THttpServer> Server;
    int Port = 0;
    std::atomic<int> Calls{0};
};

TEST_F(HttpServer, KeepAlivePipeliningChunkedBodiesAndContinue) {
    EXPECT_NE(Get("/a").find("GET /a 0"), std::string::npos);

    const int fd = Connect(Port);
    // Two requests in one write, a body split across writes.
    Send(fd, "GET /1 HTTP/1.1\r\nHost: x\r\n\r\nPOST /2 HTTP/1.1\r\nHost: x\r\n"
             "Content-Length: 5\r\n\r\nab");
    std::this_thread::sleep_for(50ms);
    Send(fd, "cde");
    Send(fd,
         "POST /3 HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n");
    Send(fd, "POST /4 HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\nExpect: 100-continue\r\n\r\n");
    const std::string first = Receive(fd, 300);
    EXPECT_NE(first.find("GET /1 0"), std::string::npos);
    EXPECT_NE(first.find("POST /2 5"), std::string::npos);
    EXPECT_NE(first.find("POST /3 3"), std::string::npos);
    EXPECT_EQ(Count(first, "HTTP/1.1 100 Continue"), 1u);
    Send(fd, "wxyz");
    const std::string second = Receive(fd, 300);
    EXPECT_NE(second.find("POST /4 4"), std::string::npos);
    EXPECT_EQ(Count(second, "100 Continue"), 0u);
    ::close(fd);
}

TEST_F(HttpServer, OversizedBodiesAndHeadsAreRefusedWithoutReadingThem) {
    int fd = Connect(Port);
    Send(fd, "POST /big HTTP/1.1\r\nHost: x\r\nContent-Length: 100000000\r\n\r\n");
    std::string answer = Receive(fd);
    EXPECT_EQ(answer.rfind("HTTP/1.1 413", 0), 0u) << answer;
    ::close(fd);

    fd = Connect(Port);
    std::string head = "GET / HTTP/1.1\r\nHost: x\r\n";
    for (int i = 0; i < 10000; ++i) head += "X-" + std::to_string(i) + ": y\r\n";
    (void)::send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    answer = Receive(fd);
    EXPECT_EQ(answer.rfind("HTTP/1.1 431", 0), 0u) << answer.substr(0, 80);
    ::close(fd);

    // A chunked body beyond the limit.
    fd = Connect(Port);
    std::string chunked = "POST /c HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 20; ++i) chunked += "64\r\n" + std::string(100, 'a') + "\r\n";
    chunked += "0\r\n\r\n";
    Send(fd, chunked);
    answer = Receive(fd);
    EXPECT_EQ(answer.rfind("HTTP/1.1 413", 0), 0u) << answer.substr(0, 80);
    ::close(fd);
    EXPECT_EQ(Calls, 0);
    EXPECT_NE(Get("/still").find("GET /still"), std::string::npos);
}

TEST_F(HttpServer, SlowClientsHoldNoWorkerAndTimeOut) {
    // More slow clients than workers, each sending its head a byte at a time.
    std::vector<int> slow;
    for (int i = 0; i < 50; ++i) {
        slow.push_back(Connect(Port));
        Send(slow.back(), "GET /slow HTTP/1.1\r\nHo");
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i) EXPECT_NE(Get("/quick").find("GET /quick"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 350ms);
    // Dribbling does not stretch the time-out.
    for (int round = 0; round < 3; ++round) {
        std::this_thread::sleep_for(100ms);
        for (int fd : slow) (void)::send(fd, "s", 1, MSG_NOSIGNAL);
    }
    for (int fd : slow) {
        const std::string answer = Receive(fd, 1500);
        EXPECT_EQ(answer.rfind("HTTP/1.1 408", 0), 0u) << answer;
        ::close(fd);
    }
    // An idle kept-alive connection is closed too.
    const int idle = Connect(Port);
    Send(idle, "GET /i HTTP/1.1\r\nHost: x\r\n\r\n");
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_NE(Receive(idle, 2000).find("GET /i"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1500ms);
    ::close(idle);
}

TEST_F(HttpServer, ConnectionsBeyondTheLimitAreTurnedAway) {
    Server.reset();
    Limits.MaxConnections = 3;
    Start();
    std::vector<int> held;
    for (int i = 0; i < 3; ++i) held.push_back(Connect(Port));
    std::this_thread::sleep_for(100ms);
    const std::string answer = Get("/over");
    EXPECT_EQ(answer.rfind("HTTP/1.1 503", 0), 0u) << answer;
    for (int fd : held) ::close(fd);
    std::this_thread::sleep_for(200ms);
    EXPECT_NE(Get("/again").find("GET /again"), std::string::npos);
}

TEST_F(HttpServer, StopsAndStartsAgainAndReportsABusyPort) {
    THttpServer other(Limits, [](const httplib::Request&, httplib::Response&) {});
    std::string error;
    EXPECT_FALSE(other.Start("127.0.0.1", Port, error));
    EXPECT_NE(error.find("Address already in use"), std::string::npos) << error;
    Server->Stop();
    EXPECT_FALSE(Server->Listening());
    EXPECT_EQ(Connect(Port), -1);
    ASSERT_TRUE(Server->Start("127.0.0.1", Port, error)) << error;
    EXPECT_NE(Get("/back").find("GET /back"), std::string::npos);
}

} // namespace
} // namespace keltrix

namespace keltrix {
namespace {

// Many clients on kept-alive and fresh connections at once: every request is answered, none
// waits for a time-out. (A connection handed between the poller and the workers must never
// be lost.)
TEST(HttpServerStress, EveryRequestOfManyClientsIsAnswered) {
    THttpLimits limits;
    limits.Workers = 4;
    THttpServer server(limits, [](const httplib::Request& req, httplib::Response& res) {
        res.set_content(std::string(2048, 'x') + req.path, "text/plain");
    });
    std::string error;
    ASSERT_TRUE(server.Start("127.0.0.1", 0, error)) << error;
    std::atomic<int> answered{0}, slow{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 16; ++t) {
        clients.emplace_back([&, t] {
            for (int round = 0; round < 25; ++round) {
                httplib::Client c("127.0.0.1", server.Port());
                c.set_read_timeout(3, 0);
                c.set_keep_alive(true);
                for (int i = 0; i < 40; ++i) {
                    const auto start = std::chrono::steady_clock::now();
                    const std::string path = "/" + std::to_string(t) + "/" + std::to_string(i);
                    const auto res = (i % 3 == 2) ? c.Post(path.c_str(), "body", "text/plain")
                                                  : c.Get(path.c_str());
                    if (res && res->status == 200 && res->body.size() == 2048 + path.size())
                        ++answered;
                    if (std::chrono::steady_clock::now() - start > 1s) ++slow;
                }
            }
        });
    }
    for (auto& c : clients) c.join();
    EXPECT_EQ(answered, 16 * 25 * 40);
    EXPECT_EQ(slow, 0);
}

} // namespace
} // namespace keltrix
