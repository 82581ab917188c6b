#pragma once
// The client role of the record link (`cli`): one connection to a server, a request per
// tick, the answers deciphered and reassembled into the record. Runs on the thread of its
// event loop.

#include "measure/raw_data.h"
#include "net/cipher.h"
#include "net/tcp_dial.h"
#include "platform/event_loop.h"
#include "platform/sockets.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace keltrix {

class TLinkClient {
public:
    // A read takes at most this many bytes.
    static constexpr std::size_t ReadSize = 1024;
    // A connection attempt still pending after this long is given up at the next tick.
    static constexpr std::chrono::milliseconds ConnectTimeout{5000};

    TLinkClient(platform::TEventLoop& loop, TRawDataShell& shell);
    ~TLinkClient();
    TLinkClient(const TLinkClient&) = delete;
    TLinkClient& operator=(const TLinkClient&) = delete;

    // A port outside 1..65535 fails every attempt, with that reason.
    void SetServer(std::string host, std::int32_t port);
    // Keys the decipher; the empty password is keyed too and means records in clear.
    void SetPassword(const std::string& utf8);

    // Starts a connection attempt unless one is under way or the link is up.
    void Connect();
    // The client tick: a request on an open link, else a new attempt. A request due while an
    // attempt is pending goes out once it connects.
    void Tick();
    void Close();

    bool Connected() const { return State_ == TState::Connected; }
    std::string Target() const; // "host:port"
    std::uint64_t Requests() const { return Requests_; }

    std::function<void()> OnConnect;                 // cliConnect
    std::function<void(const std::string&)> OnError; // cliError, with the reason

private:
    enum class TState { Idle, Connecting, Connected };
    void FailLater(const std::string& why);
    void cliConnect();
    void cliRead();
    void cliError(const std::string& why);
    void SendRequest();
    void CloseSocket();

    platform::TEventLoop& Loop_;
    TRawDataShell& Shell_;
    std::string Host_;
    std::int32_t Port_ = 6130;
    TRecordCipher Cipher_;
    bool Decipher_ = false;
    TStreamDecipher Stream_;

    TState State_ = TState::Idle;
    int Fd_ = -1;
    TTcpDial Dial_;
    std::chrono::steady_clock::time_point AttemptStarted_;
    bool RequestDue_ = false;
    std::uint64_t Requests_ = 0;
    std::uint64_t Attempt_ = 0;
    std::shared_ptr<int> Life_ = std::make_shared<int>(0); // for calls posted to the loop
};

} // namespace keltrix
