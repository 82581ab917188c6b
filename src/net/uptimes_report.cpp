#include "net/uptimes_report.h"

#include "measure/comma_text.h"
#include "tags/number_format.h"

#include <cmath>
#include <cstdio>

namespace keltrix {
namespace {

// The Host header names the port only when it is not HTTP's own.
std::string HostHeader(const TUptimesServer& server) {
    const bool v6 = server.Host.find(':') != std::string::npos;
    if (server.Port == UptimesPort) return server.Host;
    return (v6 ? "[" + server.Host + "]" : server.Host) + ":" + std::to_string(server.Port);
}

} // namespace

std::optional<TUptimesServer> ParseUptimesServer(const std::string& text) {
    std::string_view s = TrimBlanks(text);
    TUptimesServer server;
    std::string_view port;
    if (!s.empty() && s.front() == '[') {
        const std::size_t close = s.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        server.Host = std::string(s.substr(1, close - 1));
        std::string_view rest = s.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return std::nullopt;
            port = rest.substr(1);
            if (port.empty()) return std::nullopt;
        }
    } else if (const std::size_t colon = s.find(':');
               colon != std::string_view::npos &&
               s.find(':', colon + 1) == std::string_view::npos) {
        server.Host = std::string(s.substr(0, colon));
        port = s.substr(colon + 1);
        if (port.empty()) return std::nullopt;
    } else {
        server.Host = std::string(s); // a name, or an IPv6 address without a port
    }
    if (server.Host.empty()) return std::nullopt;
    if (!port.empty()) {
        const auto p = ParseWholeNumber(port);
        if (!p || *p < 1 || *p > 65535 || port.front() == ' ') return std::nullopt;
        server.Port = static_cast<std::uint16_t>(*p);
    }
    return server;
}

std::string UptimesBody(const TUptimesReport& report) {
    // "%0.0f": whole percent, halves to even as printf rounds them.
    char idle[32];
    const double usage = std::isfinite(report.ProcUsage) ? report.ProcUsage : 0.0;
    std::snprintf(idle, sizeof idle, "%.0f", usage);
    return "auth=" + report.Key + "&uptime=" + std::to_string(report.UptimeSeconds / 60) +
           "&load=0.00&idle=" + idle + "&os=" + report.OsName + "&oslevel=" + report.OsLevel;
}

std::string UptimesRequest(const TUptimesServer& server, const TUptimesReport& report) {
    const std::string body = UptimesBody(report);
    return "POST /server.html HTTP/1.1\r\n"
           "Host: " +
           HostHeader(server) +
           "\r\n"
           "Connection: Close\r\n"
           "User-Agent: upclient/4.20/QenKeltrix-1.00\r\n"
           "Content-type: application/x-www-form-urlencoded\r\n"
           "Content-length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body + "\r\n";
}

std::string OsLevelText(std::uint32_t versionWord) {
    const std::uint32_t low = versionWord & 0xFFFF;
    const std::uint32_t build = versionWord >> 16;
    return std::to_string(low) + "." + std::to_string(build) +
           (low > 5 || build > 2195 ? "XP" : "");
}

std::optional<std::int32_t> UptimesInterval(const std::string& text) {
    const std::int32_t value = ParseWholeNumber(TrimBlanks(text)).value_or(0);
    if (value < UptimesIntervalMin || value > UptimesIntervalMax) return std::nullopt;
    return value;
}

bool ValidUptimesKey(const std::string& key) {
    std::size_t characters = 0;
    for (const char c : key)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters; // not a continuation
    return characters >= UptimesKeyLength;
}

} // namespace keltrix
