#pragma once
// Non-blocking TCP sockets, for the record link between instances. Every socket is
// non-blocking and close-on-exec; sending never raises SIGPIPE.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace keltrix::platform {

// A resolved address, kept opaque (a sockaddr_storage).
struct TSocketAddress {
    std::vector<std::uint8_t> Bytes;
    std::string Text; // "10.0.0.1:6130", "[::1]:6130"
};

// Listens on every local address (IPv6 with IPv4 mapped; IPv4 alone where the machine has no
// IPv6). port 0 picks a free port. -1 with *error on failure.
int ListenTcp(std::uint16_t port, std::string* error);
// The port a socket is bound to locally; 0 when unknown.
std::uint16_t LocalPort(int fd);

enum class TAcceptResult { Accepted, NoneWaiting, OutOfDescriptors, Failed };
// The next pending connection of a listening socket, non-blocking like all others.
TAcceptResult AcceptTcp(int listenFd, int& fd, std::string* error);

// Numeric addresses only: answers at once, never asks a name server. False for a name.
bool ResolveNumeric(const std::string& host, std::uint16_t port, std::vector<TSocketAddress>& out);
// Any host name; may block while a name server answers.
bool ResolveTcp(const std::string& host, std::uint16_t port, std::vector<TSocketAddress>& out,
                std::string* error);

// Resolution of a name on a worker thread. Fd() becomes readable when the answer is in.
class TResolveJob {
public:
    TResolveJob(std::string host, std::uint16_t port);
    ~TResolveJob(); // never waits for the worker
    TResolveJob(const TResolveJob&) = delete;
    TResolveJob& operator=(const TResolveJob&) = delete;

    int Fd() const;
    // True once the answer is in; then addresses (or error) hold it.
    bool Take(std::vector<TSocketAddress>& addresses, std::string& error);

private:
    struct TShared;
    std::shared_ptr<TShared> Shared_;
};

// Starts connecting; the socket reports writable when the attempt has ended, and
// ConnectResult then tells how. -1 with *error when the attempt could not start.
int ConnectTcp(const TSocketAddress& address, std::string* error);
// After the socket became writable: true when connected, else false with *error.
bool ConnectResult(int fd, std::string* error);

enum class TIoResult { Done, WouldBlock, Closed, Failed };
// Sends what the socket takes now; sent holds how many bytes went.
TIoResult SendSome(int fd, const void* data, std::size_t size, std::size_t& sent,
                   std::string* error);
// Receives at most size bytes; Closed when the peer has closed its side.
TIoResult ReceiveSome(int fd, void* data, std::size_t size, std::size_t& received,
                      std::string* error);

void CloseSocket(int fd);

} // namespace keltrix::platform
