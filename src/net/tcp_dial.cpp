#include "net/tcp_dial.h"

namespace keltrix {

std::string HostPortText(const std::string& host, std::int32_t port) {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

TTcpDial::TTcpDial(platform::TEventLoop& loop) : Loop_(loop) {}

TTcpDial::~TTcpDial() {
    Cancel();
}

void TTcpDial::Cancel() {
    if (Resolve_) Loop_.UnwatchFd(Resolve_->Fd());
    Resolve_.reset();
    if (Fd_ >= 0) {
        Loop_.UnwatchFd(Fd_);
        platform::CloseSocket(Fd_);
    }
    Fd_ = -1;
    Pending_ = false;
}

void TTcpDial::Start(const std::string& host, std::uint16_t port) {
    Cancel();
    ++Attempt_;
    Pending_ = true;
    Target_ = HostPortText(host, port);
    LastError_.clear();
    Addresses_.clear();
    NextAddress_ = 0;
    if (platform::ResolveNumeric(host, port, Addresses_)) {
        TryNextAddress();
        return;
    }
    // A name server may take seconds; the loop must not wait for it.
    Resolve_ = std::make_unique<platform::TResolveJob>(host, port);
    Loop_.WatchFd(Resolve_->Fd(), platform::IoRead, [this](unsigned) { Resolved(); });
}

void TTcpDial::Resolved() {
    std::string error;
    if (!Resolve_ || !Resolve_->Take(Addresses_, error)) return;
    Loop_.UnwatchFd(Resolve_->Fd());
    Resolve_.reset();
    if (Addresses_.empty()) {
        Fail(error);
        return;
    }
    TryNextAddress();
}

void TTcpDial::TryNextAddress() {
    while (NextAddress_ < Addresses_.size()) {
        std::string error;
        const int fd = platform::ConnectTcp(Addresses_[NextAddress_++], &error);
        if (fd < 0) {
            LastError_ = error;
            continue;
        }
        Fd_ = fd;
        // Even a connection made at once reports through the loop, like any other.
        Loop_.WatchFd(fd, platform::IoWrite, [this](unsigned) { ConnectFinished(); });
        return;
    }
    // Reported from the loop: the caller may be start-up, before anyone listens.
    const std::string why = LastError_.empty() ? "cannot connect to " + Target_ : LastError_;
    Loop_.Post([this, life = std::weak_ptr<int>(Life_), attempt = Attempt_, why] {
        if (!life.expired() && attempt == Attempt_ && Pending_ && Fd_ < 0 && !Resolve_) Fail(why);
    });
}

void TTcpDial::ConnectFinished() {
    std::string error;
    const int fd = Fd_;
    Loop_.UnwatchFd(fd);
    if (platform::ConnectResult(fd, &error)) {
        Fd_ = -1;
        Pending_ = false;
        if (OnConnected) OnConnected(fd);
        return;
    }
    LastError_ = error + " (" + Target_ + ")";
    platform::CloseSocket(fd);
    Fd_ = -1;
    TryNextAddress();
}

void TTcpDial::Fail(const std::string& why) {
    Pending_ = false;
    if (OnFailed) OnFailed(why);
}

} // namespace keltrix
