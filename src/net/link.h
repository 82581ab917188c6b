#pragma once
// The client/server link as the main window (or the headless server, or console mode) owns
// it: the server and client roles, their passwords and the tray states they switch.

#include "base/errors.h"
#include "net/link_client.h"
#include "net/link_server.h"

#include <cstdint>
#include <functional>
#include <string>

namespace keltrix {

class TRegistryStore;

KELTRIX_ERROR_CLASS(ESocketError, EKeltrixError);

struct TNetLinkHooks {
    // The tray picture: 0 connected, 1 disconnected, 2 processor usage.
    std::function<void(std::uint8_t kind)> SetIconKind;
    // "Display Processor Usage in Icon" is checked.
    std::function<bool()> ProcessorUsageInIcon;
    // The client link came up, or failed (with the reason).
    std::function<void()> ClientUp;
    std::function<void(const std::string& why)> ClientDown;
};

class TNetLink {
public:
    TNetLink(TRegistryStore& settings, TRawDataShell& record, platform::TEventLoop& loop);

    TNetLinkHooks Hooks;

    // servListen: closes `serv` and listens on port; a stored Password replaces the in-memory
    // one first. Throws ESocketError when the port cannot be had.
    void servListen(std::int32_t port);
    void CloseServer();
    bool Serving() const { return Server_.Listening(); }
    // The port of the last servListen (what a port prompt offers).
    std::int32_t ServerPort() const { return ServPort_; }
    void SetServerPort(std::int32_t port) { ServPort_ = port; }
    // The server role's password, shown and changed by "Act as &Server".
    std::string Password;

    // Client mode: connects to host:port with the -d password (keyed even when empty). A bad
    // port fails every attempt like an unreachable server.
    void StartClient(const std::string& host, std::int32_t port, const std::string& password);
    // The client tick, in place of a sample.
    void ClientTick() { Client_.Tick(); }

    TLinkServer& Server() { return Server_; }
    TLinkClient& Client() { return Client_; }

private:
    std::uint8_t ConnectedKind() const;
    void SetIconKind(std::uint8_t kind) const;

    TRegistryStore& Settings_;
    TLinkServer Server_;
    TLinkClient Client_;
    std::int32_t ServPort_ = 6130;
};

// A port number as the sockets take it; throws ESocketError for one outside 1..65535.
std::uint16_t TcpPort(std::int32_t port);

} // namespace keltrix
