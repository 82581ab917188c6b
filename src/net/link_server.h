#pragma once
// The server role of the record link (`serv`): a listening socket and the connections it
// serves, each answered from its own cipher stream. Runs on the thread of its event loop.

#include "measure/raw_data.h"
#include "net/cipher.h"
#include "net/link_session.h"
#include "platform/event_loop.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace keltrix {

class TLinkServer {
public:
    // More connections than this are closed as soon as they are accepted.
    static constexpr std::size_t MaxConnections = 256;

    TLinkServer(platform::TEventLoop& loop, const TRawDataShell& record);
    ~TLinkServer();
    TLinkServer(const TLinkServer&) = delete;
    TLinkServer& operator=(const TLinkServer&) = delete;

    // Closes what was open, then listens on port; a non-empty password enciphers the answers.
    // False with *error when the port cannot be had.
    bool Listen(std::uint16_t port, const std::string& password, std::string* error);
    // Stops listening; every connection drops.
    void Close();

    bool Listening() const { return ListenFd_ >= 0; }
    std::uint16_t Port() const { return Port_; }
    std::size_t Connections() const { return Connections_.size(); }
    // Answers queued on all connections and not yet taken by their sockets.
    std::size_t UnsentBytes() const;
    std::uint64_t Answers() const { return Answers_; }

    std::function<void()> OnAccept;      // servAccept: a client connected
    std::function<void()> OnClientError; // servClientError: a served socket failed

private:
    struct TConnection {
        int Fd;
        TLinkSession Session;
        bool Writing = false; // watched for writable while answers wait
    };
    void servAccept();
    void servClientRead(TConnection& c);
    void Flush(TConnection& c);
    TConnection* Find(int fd);
    void Drop(int fd);
    void PauseAccepting();

    platform::TEventLoop& Loop_;
    const TRawDataShell& Record_;
    TRecordCipher Cipher_;
    bool Encrypt_ = false;
    int ListenFd_ = -1;
    std::uint16_t Port_ = 0;
    platform::TEventLoop::TTimerId Pause_ = 0;
    std::map<int, std::unique_ptr<TConnection>> Connections_;
    std::uint64_t Answers_ = 0;
};

} // namespace keltrix
