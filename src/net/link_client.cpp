#include "net/link_client.h"

#include "base/smartlog.h"

namespace keltrix {

TLinkClient::TLinkClient(platform::TEventLoop& loop, TRawDataShell& shell)
    : Loop_(loop), Shell_(shell), Dial_(loop) {
    Shell_.CheckTextLengths(true);
    Dial_.OnConnected = [this](int fd) {
        Fd_ = fd;
        cliConnect();
    };
    Dial_.OnFailed = [this](const std::string& why) { cliError(why); };
}

TLinkClient::~TLinkClient() {
    Close();
}

void TLinkClient::SetServer(std::string host, std::int32_t port) {
    Host_ = std::move(host);
    Port_ = port;
}

void TLinkClient::SetPassword(const std::string& utf8) {
    Cipher_.SetPassword(utf8);
    Decipher_ = !utf8.empty();
}

std::string TLinkClient::Target() const {
    return HostPortText(Host_, Port_);
}

void TLinkClient::Connect() {
    if (State_ != TState::Idle) return;
    ++Attempt_;
    AttemptStarted_ = std::chrono::steady_clock::now();
    State_ = TState::Connecting;
    if (Port_ < 1 || Port_ > 65535) {
        FailLater(std::to_string(Port_) + " is not a TCP port (1 to 65535)");
        return;
    }
    Dial_.Start(Host_, static_cast<std::uint16_t>(Port_));
}

void TLinkClient::FailLater(const std::string& why) {
    Loop_.Post([this, life = std::weak_ptr<int>(Life_), attempt = Attempt_, why] {
        if (!life.expired() && attempt == Attempt_ && State_ == TState::Connecting && Fd_ < 0)
            cliError(why);
    });
}

void TLinkClient::cliConnect() {
    LogAdd("cliConnect");
    State_ = TState::Connected;
    // Every connection is a new cipher stream, and nothing of an earlier one may complete a
    // record of this one.
    Stream_.Start(Cipher_);
    Shell_.DropPartialRecord();
    Loop_.WatchFd(Fd_, platform::IoRead, [this](unsigned) { cliRead(); });
    if (OnConnect) OnConnect();
    if (RequestDue_ && Connected()) SendRequest();
}

void TLinkClient::Tick() {
    switch (State_) {
    case TState::Connected:
        SendRequest();
        return;
    case TState::Connecting:
        if (std::chrono::steady_clock::now() - AttemptStarted_ < ConnectTimeout) {
            RequestDue_ = true;
            return;
        }
        cliError("no answer from " + Target() + " (timed out)");
        break;
    case TState::Idle:
        break;
    }
    RequestDue_ = true;
    Connect();
}

void TLinkClient::SendRequest() {
    RequestDue_ = false;
    const std::uint8_t request = RecordMarker;
    std::size_t sent = 0;
    std::string error;
    // A full send buffer loses this request; the next tick asks again.
    if (platform::SendSome(Fd_, &request, 1, sent, &error) == platform::TIoResult::Failed) {
        cliError(error);
        return;
    }
    Requests_ += sent;
}

void TLinkClient::cliRead() {
    LogAdd("cliRead");
    std::uint8_t in[ReadSize];
    std::size_t n = 0;
    std::string error;
    switch (platform::ReceiveSome(Fd_, in, sizeof in, n, &error)) {
    case platform::TIoResult::WouldBlock:
        return;
    case platform::TIoResult::Closed:
        cliError(Target() + " closed the connection");
        return;
    case platform::TIoResult::Failed:
        cliError(error);
        return;
    case platform::TIoResult::Done:
        break;
    }
    if (!Decipher_) {
        Shell_.Feed(in, n);
        return;
    }
    std::uint8_t plain[ReadSize + CipherBlockSize];
    // TCP loses no bytes, and after a loss the blocks would stay garbled anyway: hunting for
    // the marker in a deciphered stream finds only noise (a wrong password), so it stays
    // aligned.
    Shell_.Feed(plain, Stream_.Decipher(in, n, plain), false);
}

void TLinkClient::cliError(const std::string& why) {
    LogAdd("cliError");
    Close();
    if (OnError) OnError(why);
}

void TLinkClient::CloseSocket() {
    if (Fd_ >= 0) {
        Loop_.UnwatchFd(Fd_);
        platform::CloseSocket(Fd_);
    }
    Fd_ = -1;
    if (State_ == TState::Connected) State_ = TState::Idle;
}

void TLinkClient::Close() {
    Dial_.Cancel();
    CloseSocket();
    State_ = TState::Idle;
    RequestDue_ = false;
}

} // namespace keltrix
