#pragma once
// One connection of the web service's HTTP server, and the stream that cpp-httplib reads its
// request from and writes its answer to.

#include <httplib.h>

#include <poll.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace keltrix::web {

using TClock = std::chrono::steady_clock;

struct TConn {
    int Fd = -1;
    std::string Buf;
    std::size_t Pos = 0; // bytes the handler consumed
    bool InRequest = false;
    TClock::time_point RequestStart;
    TClock::time_point LastActivity;
    std::size_t HeadLen = 0; // 0 until the head is complete
    std::size_t BodyLen = 0;
    bool Chunked = false;
    bool ContinueSent = false;
    std::size_t Served = 0;
    // Set by the poller when a worker takes the connection; the worker clears it as the very
    // last thing it does with the connection, after arming it again.
    std::atomic<bool> InWorker{false};
    bool Close = false;
    bool PeerClosed = false; // sent its last byte: answer what came, then close
};

std::string Lower(std::string_view s);
// Best effort on a socket about to be closed.
void SendAndForget(int fd, const char* status);
bool WaitFd(int fd, short events, int ms);
void Address(int fd, bool peer, std::string& ip, int& port);

// What httplib reads a request from: the bytes the poller collected, then (for chunked
// bodies only) the socket, never past the request's deadline.
class TConnStream final : public httplib::Stream {
public:
    TConnStream(TConn& c, TClock::time_point deadline, int writeTimeoutMs, std::size_t maxBytes)
        : C_(c), Deadline_(deadline), WriteTimeoutMs_(writeTimeoutMs), MaxBytes_(maxBytes) {}

    bool is_readable() const override { return C_.Pos < C_.Buf.size() || Wait(POLLIN, MsLeft()); }
    bool is_writable() const override { return Wait(POLLOUT, WriteTimeoutMs_); }

    ssize_t read(char* ptr, std::size_t size) override {
        if (C_.Pos < C_.Buf.size()) {
            const std::size_t n = std::min(size, C_.Buf.size() - C_.Pos);
            std::memcpy(ptr, C_.Buf.data() + C_.Pos, n);
            C_.Pos += n;
            Delivered_ += n;
            return static_cast<ssize_t>(n);
        }
        if (Delivered_ >= MaxBytes_ || !Wait(POLLIN, MsLeft())) {
            Failed = true;
            return -1;
        }
        const ssize_t n = ::recv(C_.Fd, ptr, std::min(size, MaxBytes_ - Delivered_), 0);
        if (n <= 0) {
            Failed = true;
            return n < 0 && errno == EAGAIN ? -1 : n;
        }
        Delivered_ += static_cast<std::size_t>(n);
        return n;
    }

    ssize_t write(const char* ptr, std::size_t size) override {
        // The poller already sent the interim answer the client waited for.
        static constexpr std::string_view Continue = "HTTP/1.1 100 ";
        if (C_.ContinueSent && !Wrote_ && size >= Continue.size() &&
            std::string_view(ptr, Continue.size()) == Continue)
            return static_cast<ssize_t>(size);
        Wrote_ = true;
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::send(C_.Fd, ptr + done, size - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN && Wait(POLLOUT, WriteTimeoutMs_)) continue;
            Failed = true;
            return -1;
        }
        return static_cast<ssize_t>(size);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        Address(C_.Fd, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        Address(C_.Fd, false, ip, port);
    }
    socket_t socket() const override { return C_.Fd; }

    bool Failed = false;

private:
    int MsLeft() const {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(Deadline_ - TClock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    }
    bool Wait(short events, int ms) const { return WaitFd(C_.Fd, events, ms); }

    TConn& C_;
    TClock::time_point Deadline_;
    int WriteTimeoutMs_;
    std::size_t MaxBytes_;
    std::size_t Delivered_ = 0;
    bool Wrote_ = false;
};

} // namespace keltrix::web
