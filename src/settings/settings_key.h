#pragma once
// Opening the program's settings key: its location, the layout migration by Version, and
// the per-server key of a client.

#include "settings/registry_file.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace keltrix {

class TRegistryStore;

inline constexpr const char* SettingsKeyPath = "Software\\OrlenwickStudios\\Vistrand";

// The type of every value the program stores (names folded to lower case).
std::unordered_map<std::string, TRegDataType> SettingsValueTypes();

// Opens (creating) the base key and migrates it by the stored Version, then writes 1002.
void OpenAndMigrateSettings(TRegistryStore& store);

// The key of a client watching host:port (host in lower case).
std::string ClientSettingsKey(const std::string& host, std::int32_t port);

// 64-bit values stored as 8 little-endian bytes (LongestUptime, TotalUptime).
std::int64_t ReadInt64Bytes(TRegistryStore& store, const std::string& name);
void WriteInt64Bytes(TRegistryStore& store, const std::string& name, std::int64_t value);

} // namespace keltrix
