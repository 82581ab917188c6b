#pragma once
// The web service's HTTP server. cpp-httplib parses requests and writes answers, but a
// connection reaches a worker thread only once its whole request has arrived: slow clients
// wait in one poller thread, never in a worker, and each request must arrive within the read
// time-out. Heads, bodies, connections and the memory they hold are bounded.

#include <httplib.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace keltrix {

struct THttpLimits {
    std::size_t MaxBody = 1 << 20;       // larger gets 413
    std::size_t MaxHead = 32 * 1024;     // request line and headers; larger gets 431
    int ReadTimeoutMs = 5000;            // from the first byte of a request to its last
    int IdleTimeoutMs = 5000;            // between requests on a kept-alive connection
    int WriteTimeoutMs = 5000;           // for each answer
    std::size_t Workers = 8;             // threads that run handlers
    std::size_t MaxConnections = 4096;   // beyond: new connections are turned away
    std::size_t MaxBuffered = 64u << 20; // bytes held for unfinished requests, all together
    std::size_t MaxRequestsPerConnection = 1000;
};

class THttpServer {
public:
    using THandler = std::function<void(const httplib::Request&, httplib::Response&)>;

    THttpServer(THttpLimits limits, THandler handler);
    ~THttpServer();
    THttpServer(const THttpServer&) = delete;
    THttpServer& operator=(const THttpServer&) = delete;

    // Binds host:port (0: any free port) and serves on threads of its own. False with the
    // socket layer's reason when the port cannot be opened.
    bool Start(const std::string& host, int port, std::string& error);
    // Closes the port and every connection; waits for the requests in progress.
    void Stop();
    bool Listening() const;
    int Port() const;

    // Within a handler: close the connection after this answer.
    static void CloseAfterAnswer();

    struct TImpl;

private:
    std::unique_ptr<TImpl> Impl_;
};

} // namespace keltrix
