#pragma once
// A loopback HTTP server of the test's own on a free port: answers every GET the way the
// test chose, counts the requests, and can hold a connection without ever answering.

#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace keltrix::testing {

class THttpTestServer {
public:
    enum class TMode { Body, Hang, Status };

    THttpTestServer() {
        Listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(Listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(Listen_, 16) != 0)
            return;
        socklen_t len = sizeof a;
        ::getsockname(Listen_, reinterpret_cast<sockaddr*>(&a), &len);
        Port_ = ntohs(a.sin_port);
        Thread_ = std::thread([this] { Run(); });
    }
    ~THttpTestServer() {
        Stop_ = true;
        if (Thread_.joinable()) Thread_.join();
        for (int fd : Held_) ::close(fd);
        ::close(Listen_);
    }
    THttpTestServer(const THttpTestServer&) = delete;
    THttpTestServer& operator=(const THttpTestServer&) = delete;

    std::uint16_t Port() const { return Port_; }
    std::string Url(const std::string& path = "/update/update.col") const {
        return "http://127.0.0.1:" + std::to_string(Port_) + path;
    }
    void Serve(std::string body) {
        std::lock_guard<std::mutex> hold(Lock_);
        Mode_ = TMode::Body;
        Body_ = std::move(body);
    }
    void Hang() {
        std::lock_guard<std::mutex> hold(Lock_);
        Mode_ = TMode::Hang;
    }
    void Status(int status) {
        std::lock_guard<std::mutex> hold(Lock_);
        Mode_ = TMode::Status;
        Status_ = status;
    }
    // A body of size bytes that starts with head.
    void ServeLarge(const std::string& head, std::size_t size) {
        std::string body = head;
        body.resize(size, 'x');
        Serve(std::move(body));
    }
    int Requests() const { return Requests_; }

private:
    void Run() {
        while (!Stop_) {
            pollfd p{Listen_, POLLIN, 0};
            if (::poll(&p, 1, 20) != 1) continue;
            const int fd = ::accept4(Listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            std::string request;
            char buf[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                pollfd q{fd, POLLIN, 0};
                if (::poll(&q, 1, 2000) != 1) break;
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0) break;
                request.append(buf, static_cast<std::size_t>(n));
            }
            ++Requests_;
            std::lock_guard<std::mutex> hold(Lock_);
            if (Mode_ == TMode::Hang) {
                Held_.push_back(fd); // accepted, and never answered
                continue;
            }
            std::string answer;
            if (Mode_ == TMode::Status) {
                answer = "HTTP/1.1 " + std::to_string(Status_) +
                         " Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            } else {
                answer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(Body_.size()) +
                         "\r\nConnection: close\r\n\r\n" + Body_;
            }
            std::size_t at = 0;
            while (at < answer.size() && !Stop_) {
                const ssize_t n = ::send(fd, answer.data() + at, answer.size() - at, MSG_NOSIGNAL);
                if (n <= 0) break;
                at += static_cast<std::size_t>(n);
            }
            ::close(fd);
        }
    }

    int Listen_ = -1;
    std::uint16_t Port_ = 0;
    std::thread Thread_;
    std::atomic<bool> Stop_{false};
    std::atomic<int> Requests_{0};
    std::mutex Lock_;
    TMode Mode_ = TMode::Body;
    std::string Body_;
    int Status_ = 404;
    std::vector<int> Held_;
};

} // namespace keltrix::testing
