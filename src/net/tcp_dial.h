#pragma once
// Connecting to host:port without holding the loop: a name is resolved on a worker, each
// address is tried in turn, and the outcome always comes from the loop.

#include "platform/event_loop.h"
#include "platform/sockets.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace keltrix {

// "host:port", an IPv6 address in brackets.
std::string HostPortText(const std::string& host, std::int32_t port);

class TTcpDial {
public:
    explicit TTcpDial(platform::TEventLoop& loop);
    ~TTcpDial();
    TTcpDial(const TTcpDial&) = delete;
    TTcpDial& operator=(const TTcpDial&) = delete;

    // Gives up an attempt under way and starts another; OnConnected or OnFailed follows.
    void Start(const std::string& host, std::uint16_t port);
    void Cancel();
    bool Pending() const { return Pending_; }

    // The connected socket, no longer watched: the caller owns it.
    std::function<void(int fd)> OnConnected;
    std::function<void(const std::string& why)> OnFailed;

private:
    void Resolved();
    void TryNextAddress();
    void ConnectFinished();
    void Fail(const std::string& why);

    platform::TEventLoop& Loop_;
    std::string Target_;
    bool Pending_ = false;
    int Fd_ = -1;
    std::unique_ptr<platform::TResolveJob> Resolve_;
    std::vector<platform::TSocketAddress> Addresses_;
    std::size_t NextAddress_ = 0;
    std::string LastError_;
    std::uint64_t Attempt_ = 0;
    std::shared_ptr<int> Life_ = std::make_shared<int>(0); // for calls posted to the loop
};

} // namespace keltrix
