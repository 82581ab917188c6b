#pragma once
// The uptime report to the ranking service: the form post it sends, and the values the
// "Act as Uptimes Client" prompts accept.

#include <cstdint>
#include <optional>
#include <string>

namespace keltrix {

inline constexpr const char* DefaultUptimesServer = "uptimes-project.org";
inline constexpr std::uint16_t UptimesPort = 80;
inline constexpr std::int32_t UptimesIntervalMin = 30000;
inline constexpr std::int32_t UptimesIntervalMax = 600000;
inline constexpr std::int32_t UptimesIntervalDefault = 60000;
inline constexpr std::size_t UptimesKeyLength = 32;

// Where the reports go: the setting UptimesServer, "host" or "host:port" ("[v6]:port").
struct TUptimesServer {
    std::string Host;
    std::uint16_t Port = UptimesPort;
};
// nullopt for an empty host or a port that is not 1..65535.
std::optional<TUptimesServer> ParseUptimesServer(const std::string& text);

struct TUptimesReport {
    std::string Key;                // UptimesHost, sent as stored
    std::int64_t UptimeSeconds = 0; // the record's Uptime
    float ProcUsage = 0;            // the record's ProcUsage[0]
    std::string OsName = "Linux";   // the system's own name
    std::string OsLevel;            // OsLevelText of the version word
};

// "auth=...&uptime=...&load=0.00&idle=...&os=...&oslevel=...", without line end.
std::string UptimesBody(const TUptimesReport& report);
// The whole request, sent in one write: request line, headers, empty line, body, CR LF.
std::string UptimesRequest(const TUptimesServer& server, const TUptimesReport& report);

// The version word's low 16 bits, ".", its high 16 bits, and "XP" for the systems the tray
// icon set calls XP (low 16 bits above 5 or build above 2195).
std::string OsLevelText(std::uint32_t versionWord);

// The period typed into "Uptimes Interval in milliseconds": nullopt when it is not a number
// from UptimesIntervalMin to UptimesIntervalMax (the command then warns and uses the default).
std::optional<std::int32_t> UptimesInterval(const std::string& text);
// A host key is at least UptimesKeyLength characters (bytes of its UTF-8 text).
bool ValidUptimesKey(const std::string& key);

} // namespace keltrix
