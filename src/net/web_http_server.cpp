#include "net/web_http_server.h"

#include "net/web_http_conn.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace keltrix {
namespace {

using namespace web;
thread_local bool CloseRequested = false;

} // namespace

struct THttpServer::TImpl {
    // httplib reads requests and writes answers; the port and the connections are ours: its
    // accept loop ends for good on the first unexpected accept() error, waits with select()
    // (no descriptor at or above 1024) and listens with a backlog of 5.
    class TLibServer final : public httplib::Server {
    public:
        bool Process(httplib::Stream& stream, bool closeConnection, bool& closed) {
            return process_request(stream, closeConnection, closed, nullptr);
        }
    };

    TImpl(THttpLimits limits, THandler handler) : Limits(limits), Handler(std::move(handler)) {}

    THttpLimits Limits;
    THandler Handler;
    TLibServer Lib;
    std::thread PollThread;
    int Listen = -1;
    bool ListenPaused = false; // out of descriptors: accepting again at the next sweep
    std::vector<std::thread> Workers;
    int Epoll = -1;
    int Wake = -1;
    int Port = 0;
    std::atomic<bool> Running{false};
    std::atomic<bool> Stopping{false};
    std::atomic<std::size_t> Connections{0};
    std::atomic<std::size_t> Buffered{0};

    // Handed to the poller by other threads.
    std::mutex InboxLock;
    std::vector<TConn*> Returned;
    // Complete requests waiting for a worker.
    std::mutex JobLock;
    std::condition_variable JobReady;
    std::deque<TConn*> Jobs;
    // Owned by the poller thread.
    std::unordered_map<TConn*, std::unique_ptr<TConn>> All;

    // On the poller thread: every connection waiting in the listen queue.
    void AcceptAll() {
        for (;;) {
            const int fd = ::accept4(Listen, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) continue;
                if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                    ::epoll_ctl(Epoll, EPOLL_CTL_DEL, Listen, nullptr);
                    ListenPaused = true;
                }
                return;
            }
            if (Connections >= Limits.MaxConnections) {
                SendAndForget(fd, "503 Service Unavailable");
                ::close(fd);
                continue;
            }
            ++Connections;
            const int one = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            auto conn = std::make_unique<TConn>();
            conn->Fd = fd;
            conn->LastActivity = TClock::now();
            TConn* raw = conn.get();
            All.emplace(raw, std::move(conn));
            Watch(raw, EPOLL_CTL_ADD);
        }
    }

    void WatchListen() {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.ptr = &Listen;
        ::epoll_ctl(Epoll, EPOLL_CTL_ADD, Listen, &ev);
        ListenPaused = false;
    }

    void Poke() const {
        const std::uint64_t one = 1;
        (void)!::write(Wake, &one, sizeof one);
    }

    void CloseConn(TConn* c) {
        ::epoll_ctl(Epoll, EPOLL_CTL_DEL, c->Fd, nullptr);
        ::close(c->Fd);
        Buffered -= c->Buf.size();
        --Connections;
        All.erase(c);
    }

    // One event per arming: a connection is either watched by the poller or held by a worker.
    void Watch(TConn* c, int op = EPOLL_CTL_MOD) const {
        epoll_event ev{};
        ev.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
        ev.data.ptr = c;
        ::epoll_ctl(Epoll, op, c->Fd, &ev);
    }

    void Dispatch(TConn* c) {
        c->InWorker = true;
        {
            const std::lock_guard<std::mutex> hold(JobLock);
            Jobs.push_back(c);
        }
        JobReady.notify_one();
    }

    // After new bytes: hand the connection on once its request is complete.
    void Check(TConn* c) {
        const std::size_t have = c->Buf.size() - c->Pos;
        if (have == 0 || c->InWorker) return;
        if (!c->InRequest) {
            c->InRequest = true;
            c->RequestStart = TClock::now();
        }
        if (c->HeadLen == 0) {
            const std::size_t end = c->Buf.find("\r\n\r\n", c->Pos);
            if (end == std::string::npos) {
                if (have > Limits.MaxHead) Refuse(c, "431 Request Header Fields Too Large");
                return;
            }
            c->HeadLen = end + 4 - c->Pos;
            if (c->HeadLen > Limits.MaxHead)
                return Refuse(c, "431 Request Header Fields Too Large");
            ReadHead(c, std::string_view(c->Buf).substr(c->Pos, c->HeadLen));
        }
        if (c->Chunked || c->BodyLen > Limits.MaxBody || have >= c->HeadLen + c->BodyLen)
            return Dispatch(c);
        // Clients that write head and body apart (Python's http.client, zeep) hold the body
        // back until the head is acknowledged; a delayed acknowledgement costs them 40 ms.
        const int one = 1;
        ::setsockopt(c->Fd, IPPROTO_TCP, TCP_QUICKACK, &one, sizeof one);
    }

    void ReadHead(TConn* c, std::string_view head) {
        c->BodyLen = 0;
        c->Chunked = false;
        bool expectContinue = false;
        std::size_t line = head.find("\r\n") + 2;
        while (line < head.size()) {
            const std::size_t end = head.find("\r\n", line);
            const std::string_view field = head.substr(line, end - line);
            line = end + 2;
            const std::size_t colon = field.find(':');
            if (colon == std::string_view::npos) continue;
            const std::string name = Lower(field.substr(0, colon));
            std::string value = Lower(field.substr(colon + 1));
            value.erase(0, value.find_first_not_of(" \t"));
            if (name == "content-length") {
                c->BodyLen = 0;
                for (const char d : value) {
                    if (d < '0' || d > '9') break;
                    c->BodyLen = std::min<std::size_t>(c->BodyLen * 10 + std::size_t(d - '0'),
                                                       std::size_t(1) << 40);
                }
            } else if (name == "transfer-encoding") {
                c->Chunked = value.find("chunked") != std::string::npos;
            } else if (name == "expect") {
                expectContinue = value.rfind("100-continue", 0) == 0;
            }
        }
        const std::size_t have = c->Buf.size() - c->Pos;
        if (expectContinue && !c->Chunked && c->BodyLen <= Limits.MaxBody &&
            have < c->HeadLen + c->BodyLen && !c->ContinueSent) {
            static constexpr std::string_view Continue = "HTTP/1.1 100 Continue\r\n\r\n";
            (void)::send(c->Fd, Continue.data(), Continue.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
            c->ContinueSent = true;
        }
    }

    void Refuse(TConn* c, const char* status) {
        SendAndForget(c->Fd, status);
        CloseConn(c);
    }

    void OnReadable(TConn* c) {
        char chunk[16384];
        for (;;) {
            const ssize_t n = ::recv(c->Fd, chunk, sizeof chunk, 0);
            if (n > 0) {
                c->Buf.append(chunk, static_cast<std::size_t>(n));
                Buffered += static_cast<std::size_t>(n);
                c->LastActivity = TClock::now();
                if (Buffered > Limits.MaxBuffered) return Refuse(c, "503 Service Unavailable");
                // Enough for the head and the largest body; the rest waits in the kernel.
                if (c->Buf.size() - c->Pos > Limits.MaxHead + Limits.MaxBody) break;
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) break;
            if (n < 0) return CloseConn(c);
            c->PeerClosed = true;
            break;
        }
        Check(c);
        if (All.count(c) && c->PeerClosed && !c->InWorker) CloseConn(c);
    }

    void Sweep() {
        const auto now = TClock::now();
        std::vector<TConn*> expired, idle;
        for (auto& [raw, conn] : All) {
            if (raw->InWorker) continue;
            if (raw->InRequest &&
                now - raw->RequestStart > std::chrono::milliseconds(Limits.ReadTimeoutMs))
                expired.push_back(raw);
            else if (!raw->InRequest &&
                     now - raw->LastActivity > std::chrono::milliseconds(Limits.IdleTimeoutMs))
                idle.push_back(raw);
        }
        for (TConn* c : expired) Refuse(c, "408 Request Timeout");
        for (TConn* c : idle) CloseConn(c);
    }

    void TakeInbox() {
        std::vector<TConn*> returned;
        {
            const std::lock_guard<std::mutex> hold(InboxLock);
            returned.swap(Returned);
        }
        for (TConn* c : returned) {
            c->InWorker = false;
            if (c->Close) {
                CloseConn(c);
                continue;
            }
            Check(c); // a pipelined request may be complete already
            if (All.count(c) && !c->InWorker) Watch(c);
        }
    }

    void PollLoop() {
        epoll_event events[256];
        auto nextSweep = TClock::now();
        while (!Stopping) {
            const int n = ::epoll_wait(Epoll, events, 256, 100);
            for (int i = 0; i < n; ++i) {
                if (events[i].data.ptr == nullptr) {
                    std::uint64_t count = 0;
                    (void)!::read(Wake, &count, sizeof count);
                    continue;
                }
                if (events[i].data.ptr == &Listen) {
                    AcceptAll();
                    continue;
                }
                auto* c = static_cast<TConn*>(events[i].data.ptr);
                if (!All.count(c)) continue;
                // Armed again by a worker that has not quite let go of it yet.
                while (c->InWorker.load(std::memory_order_acquire)) std::this_thread::yield();
                OnReadable(c);
                if (All.count(c) && !c->InWorker) Watch(c);
            }
            TakeInbox();
            if (TClock::now() >= nextSweep) {
                Sweep();
                if (ListenPaused) WatchListen();
                nextSweep = TClock::now() + std::chrono::milliseconds(100);
            }
        }
    }

    void WorkerLoop() {
        for (;;) {
            TConn* c = nullptr;
            {
                std::unique_lock<std::mutex> hold(JobLock);
                JobReady.wait(hold, [this] { return Stopping || !Jobs.empty(); });
                if (Jobs.empty()) return;
                c = Jobs.front();
                Jobs.pop_front();
            }
            Serve(c);
            // Kept alive and nothing more buffered (the usual case): armed again from here,
            // without waking the poller.
            if (!c->Close && c->Buf.empty()) {
                Watch(c);
                c->InWorker.store(false, std::memory_order_release);
                continue;
            }
            {
                const std::lock_guard<std::mutex> hold(InboxLock);
                Returned.push_back(c);
            }
            Poke();
        }
    }

    void Serve(TConn* c) {
        const auto deadline = c->RequestStart + std::chrono::milliseconds(Limits.ReadTimeoutMs);
        TConnStream stream(*c, deadline, Limits.WriteTimeoutMs,
                           Limits.MaxHead + 2 * Limits.MaxBody + 65536);
        const bool last = c->Served + 1 >= Limits.MaxRequestsPerConnection;
        bool closed = false;
        CloseRequested = false;
        bool ok = false;
        try {
            ok = Lib.Process(stream, last, closed);
        } catch (...) {
            ok = false;
        }
        ++c->Served;
        Buffered -= c->Pos;
        c->Buf.erase(0, c->Pos);
        c->Pos = 0;
        c->HeadLen = 0;
        c->BodyLen = 0;
        c->Chunked = false;
        c->ContinueSent = false;
        c->InRequest = !c->Buf.empty();
        c->RequestStart = c->LastActivity = TClock::now();
        c->Close =
            !ok || closed || last || stream.Failed || CloseRequested || Stopping || c->PeerClosed;
    }
};

THttpServer::THttpServer(THttpLimits limits, THandler handler)
    : Impl_(std::make_unique<TImpl>(limits, std::move(handler))) {
    auto& lib = Impl_->Lib;
    lib.set_keep_alive_max_count(limits.MaxRequestsPerConnection);
    lib.set_keep_alive_timeout(std::max(1, limits.IdleTimeoutMs / 1000));
    lib.set_read_timeout(std::max(1, limits.ReadTimeoutMs / 1000), 0);
    lib.set_write_timeout(std::max(1, limits.WriteTimeoutMs / 1000), 0);
    lib.set_payload_max_length(limits.MaxBody);
    const std::size_t maxBody = limits.MaxBody;
    lib.set_pre_routing_handler([maxBody](const httplib::Request& req, httplib::Response& res) {
        // Refused before a byte of the body is read; the connection cannot be reused then.
        if (req.has_header("Content-Length") &&
            std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10) > maxBody) {
            res.status = 413;
            res.set_header("Connection", "close");
            CloseRequested = true;
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // httplib bounds only bodies with a Content-Length; a chunked one is checked once read.
    const auto handler_ = [impl = Impl_.get()](const httplib::Request& req,
                                               httplib::Response& res) {
        if (req.body.size() > impl->Limits.MaxBody) {
            res.status = 413;
            res.set_header("Connection", "close");
            CloseRequested = true;
            return;
        }
        impl->Handler(req, res);
    };
    lib.Get(".*", handler_);
    lib.Post(".*", handler_);
    lib.Put(".*", handler_);
    lib.Patch(".*", handler_);
    lib.Delete(".*", handler_);
    lib.Options(".*", handler_);
    lib.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            res.status = 500;
            res.set_content("Internal error\r\n", "text/plain");
        });
}

THttpServer::~THttpServer() {
    Stop();
}

void THttpServer::CloseAfterAnswer() {
    CloseRequested = true;
}

bool THttpServer::Start(const std::string& host, int port, std::string& error) {
    if (Impl_->Running) return true;
    TImpl& d = *Impl_;
    // Every connection is a descriptor; the default soft limit of 1024 would turn clients away
    // long before the connection limit.
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, d.Limits.MaxConnections + 1024);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    // SO_REUSEADDR only: httplib's own options add SO_REUSEPORT, with which a second instance
    // binds the same port and the kernel splits the clients between the two.
    sockaddr_storage address{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
    if (::inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        length = sizeof *v4;
    } else if (::inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        length = sizeof *v6;
    } else {
        error = "Could not bind socket. \"" + host + "\" is not an address.";
        return false;
    }
    const auto fail = [&](const char* what) {
        error = std::string("Could not ") + what + " socket. " + std::strerror(errno) + " (port " +
                std::to_string(port) + ")";
        if (d.Listen >= 0) ::close(d.Listen);
        d.Listen = -1;
        return false;
    };
    d.Listen = ::socket(address.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (d.Listen < 0) return fail("create");
    const int one = 1;
    ::setsockopt(d.Listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    ::setsockopt(d.Listen, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::bind(d.Listen, reinterpret_cast<sockaddr*>(&address), length) != 0) return fail("bind");
    if (::listen(d.Listen, SOMAXCONN) != 0) return fail("listen on");
    length = sizeof address;
    ::getsockname(d.Listen, reinterpret_cast<sockaddr*>(&address), &length);
    d.Port = ntohs(address.ss_family == AF_INET ? v4->sin_port : v6->sin6_port);
    d.Stopping = false;
    d.Epoll = ::epoll_create1(EPOLL_CLOEXEC);
    d.Wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.ptr = nullptr;
    ::epoll_ctl(d.Epoll, EPOLL_CTL_ADD, d.Wake, &ev);
    d.WatchListen();
    d.PollThread = std::thread([&d] { d.PollLoop(); });
    for (std::size_t i = 0; i < std::max<std::size_t>(1, d.Limits.Workers); ++i)
        d.Workers.emplace_back([&d] { d.WorkerLoop(); });
    d.Running = true;
    return true;
}

void THttpServer::Stop() {
    TImpl& d = *Impl_;
    if (!d.Running) return;
    d.Stopping = true;
    d.JobReady.notify_all();
    for (auto& w : d.Workers) w.join();
    d.Workers.clear();
    d.Poke();
    if (d.PollThread.joinable()) d.PollThread.join();
    // Whatever is left belongs to nobody now.
    for (TConn* c : d.Jobs) c->InWorker = false;
    d.Jobs.clear();
    d.TakeInbox();
    std::vector<TConn*> all;
    for (auto& [raw, conn] : d.All) all.push_back(raw);
    for (TConn* c : all) d.CloseConn(c);
    ::close(d.Listen);
    ::close(d.Wake);
    ::close(d.Epoll);
    d.Listen = d.Wake = d.Epoll = -1;
    d.Running = false;
}

bool THttpServer::Listening() const {
    return Impl_->Running;
}

int THttpServer::Port() const {
    return Impl_->Port;
}

} // namespace keltrix
