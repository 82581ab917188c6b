#include "net/link.h"

#include "base/smartlog.h"
#include "settings/registry_store.h"

namespace keltrix {

std::uint16_t TcpPort(std::int32_t port) {
    if (port < 1 || port > 65535)
        throw ESocketError(std::to_string(port) + " is not a TCP port (1 to 65535)");
    return static_cast<std::uint16_t>(port);
}

TNetLink::TNetLink(TRegistryStore& settings, TRawDataShell& record, platform::TEventLoop& loop)
    : Settings_(settings), Server_(loop, record), Client_(loop, record) {
    Server_.OnAccept = [this] { SetIconKind(ConnectedKind()); };
    Server_.OnClientError = [this] { SetIconKind(1); };
    Client_.OnConnect = [this] {
        SetIconKind(ConnectedKind());
        if (Hooks.ClientUp) Hooks.ClientUp();
    };
    Client_.OnError = [this](const std::string& why) {
        SetIconKind(1);
        if (Hooks.ClientDown) Hooks.ClientDown(why);
    };
}

std::uint8_t TNetLink::ConnectedKind() const {
    return Hooks.ProcessorUsageInIcon && Hooks.ProcessorUsageInIcon() ? 2 : 0;
}

void TNetLink::SetIconKind(std::uint8_t kind) const {
    if (Hooks.SetIconKind) Hooks.SetIconKind(kind);
}

void TNetLink::servListen(std::int32_t port) {
    Server_.Close();
    ServPort_ = port;
    const std::uint16_t tcpPort = TcpPort(port);
    if (Settings_.ValueExists("Password")) Password = Settings_.ReadString("Password");
    std::string error;
    if (!Server_.Listen(tcpPort, Password, &error)) throw ESocketError(error);
    LogAdd("servListen");
}

void TNetLink::CloseServer() {
    Server_.Close();
}

void TNetLink::StartClient(const std::string& host, std::int32_t port,
                           const std::string& password) {
    Client_.SetServer(host, port);
    Client_.SetPassword(password);
    Client_.Connect();
}

} // namespace keltrix
