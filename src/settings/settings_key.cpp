#include "settings/settings_key.h"

#include "settings/registry_file.h"
#include "settings/registry_store.h"

namespace keltrix {

void OpenAndMigrateSettings(TRegistryStore& store) {
    store.OpenKey(SettingsKeyPath, true);
    const bool hasVersion = store.ValueExists("Version");
    const std::int32_t version = hasVersion ? store.ReadInteger("Version") : 0;
    if (!hasVersion || version < 75) {
        store.CloseKey();
        store.DeleteKey(SettingsKeyPath);
        store.OpenKey(SettingsKeyPath, true);
    }
    if (!hasVersion || version < 78) {
        std::int32_t old = 0;
        bool convert = true;
        if (store.ValueExists("LongestUptime")) {
            try {
                old = store.ReadInteger("LongestUptime");
            } catch (const ERegistryException&) {
                convert = false; // already bytes: converting again would lose the value
            }
        }
        if (convert) WriteInt64Bytes(store, "LongestUptime", old);
    }
    if (!hasVersion || version < 82) {
        store.DeleteValue("W");
        store.DeleteValue("H");
    }
    store.WriteInteger("Version", 1002);
}

std::string ClientSettingsKey(const std::string& host, std::int32_t port) {
    return std::string(SettingsKeyPath) + "\\" + FoldCase(host) + ":" + std::to_string(port);
}

std::int64_t ReadInt64Bytes(TRegistryStore& store, const std::string& name) {
    std::uint8_t bytes[8] = {};
    store.ReadBinaryData(name, bytes, sizeof bytes);
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | bytes[i];
    return static_cast<std::int64_t>(v);
}

void WriteInt64Bytes(TRegistryStore& store, const std::string& name, std::int64_t value) {
    std::uint8_t bytes[8];
    auto v = static_cast<std::uint64_t>(value);
    for (std::uint8_t& b : bytes) {
        b = static_cast<std::uint8_t>(v & 0xFF);
        v >>= 8;
    }
    store.WriteBinaryData(name, bytes, sizeof bytes);
}

} // namespace keltrix
