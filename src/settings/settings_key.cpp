#include "settings/settings_key.h"

#include "settings/registry_file.h"
#include "settings/registry_store.h"

namespace keltrix {

std::unordered_map<std::string, TRegDataType> SettingsValueTypes() {
    std::unordered_map<std::string, TRegDataType> types;
    for (const char* name : {"Version",
                             "Alpha",
                             "FontColor",
                             "FontSize",
                             "FontPitch",
                             "X",
                             "Y",
                             "Align",
                             "TRAYKEY_Mods",
                             "TRAYKEY_VirtualKey",
                             "SUSPENDKEY_Mods",
                             "SUSPENDKEY_VirtualKey",
                             "ServPort",
                             "WebServicePort",
                             "AutoSaveInterval",
                             "UptimesInterval",
                             "FlashKeyboardLightsInterval",
                             "W",
                             "H",
                             "AU_Poll",
                             "Interval",
                             "UptimeCount",
                             "BGColor",
                             "Option_X",
                             "Option_Y",
                             "Option_W",
                             "Option_H",
                             "AOT",
                             "Trans",
                             "RQIcons",
                             "OfNoConfirm",
                             "Server",
                             "WebService",
                             "AutoSave",
                             "DisplayProcInTray",
                             "PinToDesktop",
                             "ActUptimesClient",
                             "UseWindowing",
                             "FlashKeyboardLights",
                             "ShowDraggingHandle",
                             "LockForm",
                             "AutoUpdate",
                             "AU_Startup",
                             "UseFileNameAsBackground",
                             "Option_MAX"})
        types.emplace(FoldCase(name), TRegDataType::Integer);
    for (const char* name :
         {"ParameterLine", "FontName", "UTstr", "Exclude", "Password", "AutoSaveName",
          "FormatString", "UptimesHost", "BGFileName", "DriveMap", "NetInterfaces", "UpdateURL"})
        types.emplace(FoldCase(name), TRegDataType::String);
    for (const char* name : {"FontStyle", "LongestUptime", "TotalUptime"})
        types.emplace(FoldCase(name), TRegDataType::Binary);
    return types;
}

void OpenAndMigrateSettings(TRegistryStore& store) {
    store.ExpectTypes(SettingsValueTypes());
    store.OpenKey(SettingsKeyPath, true);
    // A Version of another type is the user's edit, not an old layout: wiping the key for it
    // would lose every setting, so the key is taken as it is and left unchanged.
    if (store.ValueStored("Version") && !store.ValueExists("Version")) return;
    const bool hasVersion = store.ValueExists("Version");
    const std::int32_t version = hasVersion ? store.ReadInteger("Version") : 0;
    if (!hasVersion || version < 75) {
        store.CloseKey();
        store.DeleteKey(SettingsKeyPath);
        store.OpenKey(SettingsKeyPath, true);
    }
    if (!hasVersion || version < 78) {
        // Only a missing or an integer value: bytes are converted already.
        const std::optional<TRegDataType> stored = store.StoredType("LongestUptime");
        if (!stored || *stored == TRegDataType::Integer)
            WriteInt64Bytes(store, "LongestUptime",
                            stored ? store.ReadInteger("LongestUptime") : 0);
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
