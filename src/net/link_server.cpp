#include "net/link_server.h"

#include "base/smartlog.h"
#include "platform/sockets.h"

namespace keltrix {

TLinkServer::TLinkServer(platform::TEventLoop& loop, const TRawDataShell& record)
    : Loop_(loop), Record_(record) {}

TLinkServer::~TLinkServer() {
    Close();
}

bool TLinkServer::Listen(std::uint16_t port, const std::string& password, std::string* error) {
    Close();
    const int fd = platform::ListenTcp(port, error);
    if (fd < 0) return false;
    ListenFd_ = fd;
    Port_ = platform::LocalPort(fd);
    Encrypt_ = !password.empty();
    if (Encrypt_) Cipher_.SetPassword(password);
    Loop_.WatchFd(fd, platform::IoRead, [this](unsigned) { servAccept(); });
    return true;
}

void TLinkServer::Close() {
    if (Pause_) Loop_.StopTimer(Pause_);
    Pause_ = 0;
    while (!Connections_.empty()) Drop(Connections_.begin()->first);
    if (ListenFd_ >= 0) {
        Loop_.UnwatchFd(ListenFd_);
        platform::CloseSocket(ListenFd_);
    }
    ListenFd_ = -1;
    Port_ = 0;
}

std::size_t TLinkServer::UnsentBytes() const {
    std::size_t total = 0;
    for (const auto& [fd, c] : Connections_) total += c->Session.UnsentSize();
    return total;
}

void TLinkServer::servAccept() {
    // A bounded batch per wake-up, so a flood of connections cannot starve the others.
    for (int batch = 0; batch < 64 && ListenFd_ >= 0; ++batch) {
        int fd = -1;
        std::string error;
        const platform::TAcceptResult r = platform::AcceptTcp(ListenFd_, fd, &error);
        if (r == platform::TAcceptResult::NoneWaiting) return;
        if (r == platform::TAcceptResult::OutOfDescriptors) {
            PauseAccepting();
            return;
        }
        if (r == platform::TAcceptResult::Failed) return;
        if (Connections_.size() >= MaxConnections) {
            platform::CloseSocket(fd);
            continue;
        }
        LogAdd("servAccept");
        Connections_[fd] = std::make_unique<TConnection>(
            TConnection{fd, TLinkSession(Encrypt_ ? &Cipher_ : nullptr)});
        Loop_.WatchFd(fd, platform::IoRead, [this, fd](unsigned events) {
            // Either step may drop the connection; look it up each time.
            if (events & platform::IoWrite)
                if (TConnection* c = Find(fd)) Flush(*c);
            if (events & platform::IoRead)
                if (TConnection* c = Find(fd)) servClientRead(*c);
        });
        if (OnAccept) OnAccept();
    }
}

void TLinkServer::PauseAccepting() {
    // Out of descriptors: the pending connection stays readable, so wait instead of spinning.
    if (Pause_ || ListenFd_ < 0) return;
    Loop_.SetFdEvents(ListenFd_, 0);
    Pause_ = Loop_.StartTimer(200, [this] {
        Loop_.StopTimer(Pause_);
        Pause_ = 0;
        if (ListenFd_ >= 0) Loop_.SetFdEvents(ListenFd_, platform::IoRead);
    });
}

void TLinkServer::servClientRead(TConnection& c) {
    LogAdd("ServClientRead");
    std::uint8_t buffer[TLinkSession::RequestReadSize];
    std::size_t n = 0;
    std::string error;
    switch (platform::ReceiveSome(c.Fd, buffer, sizeof buffer, n, &error)) {
    case platform::TIoResult::WouldBlock:
        return;
    case platform::TIoResult::Closed:
        // A client that leaves has no handler of its own: the tray keeps its state.
        Drop(c.Fd);
        return;
    case platform::TIoResult::Failed:
        LogAdd("servClientError");
        Drop(c.Fd);
        if (OnClientError) OnClientError();
        return;
    case platform::TIoResult::Done:
        break;
    }
    if (!c.Session.OnRead(buffer, n, Record_.Data())) return;
    ++Answers_;
    Flush(c);
}

void TLinkServer::Flush(TConnection& c) {
    while (c.Session.UnsentSize() > 0) {
        std::size_t sent = 0;
        std::string error;
        const platform::TIoResult r =
            platform::SendSome(c.Fd, c.Session.Unsent(), c.Session.UnsentSize(), sent, &error);
        if (r == platform::TIoResult::Failed) {
            LogAdd("servClientError");
            Drop(c.Fd);
            if (OnClientError) OnClientError();
            return;
        }
        if (r == platform::TIoResult::WouldBlock || sent == 0) break;
        c.Session.Sent(sent);
    }
    const bool waiting = c.Session.UnsentSize() > 0;
    if (waiting != c.Writing) {
        c.Writing = waiting;
        Loop_.SetFdEvents(c.Fd, platform::IoRead | (waiting ? platform::IoWrite : 0u));
    }
}

TLinkServer::TConnection* TLinkServer::Find(int fd) {
    const auto it = Connections_.find(fd);
    return it == Connections_.end() ? nullptr : it->second.get();
}

void TLinkServer::Drop(int fd) {
    const auto it = Connections_.find(fd);
    if (it == Connections_.end()) return;
    Loop_.UnwatchFd(fd);
    platform::CloseSocket(fd);
    Connections_.erase(it);
}

} // namespace keltrix
