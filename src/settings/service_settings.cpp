#include "settings/service_settings.h"

#include "settings/registry_store.h"

namespace keltrix {
namespace {

void Read(TRegistryStore& store, const char* name, std::int32_t& value) {
    if (store.ValueExists(name)) value = store.ReadInteger(name);
}
void Read(TRegistryStore& store, const char* name, bool& value) {
    if (store.ValueExists(name)) value = store.ReadBool(name);
}
void Read(TRegistryStore& store, const char* name, std::string& value) {
    if (store.ValueExists(name)) value = store.ReadString(name);
}

std::optional<THotkey> ReadHotkey(TRegistryStore& store, const std::string& prefix) {
    // The pair counts only when its modifiers are stored.
    if (!store.ValueExists(prefix + "_Mods")) return std::nullopt;
    THotkey key;
    key.Mods = store.ReadInteger(prefix + "_Mods");
    Read(store, (prefix + "_VirtualKey").c_str(), key.VirtualKey);
    return key;
}

} // namespace

void ReadHotkeySettings(TRegistryStore& store, TServiceSettings& out) {
    out.TrayKey = ReadHotkey(store, "TRAYKEY");
    out.SuspendKey = ReadHotkey(store, "SUSPENDKEY");
}

void ReadServerSettings(TRegistryStore& store, TServiceSettings& out) {
    Read(store, "ServPort", out.ServPort);
    Read(store, "Server", out.Server);
    Read(store, "WebServicePort", out.WebServicePort);
    Read(store, "WebService", out.WebService);
    Read(store, "AutoSaveName", out.AutoSaveName);
    Read(store, "AutoSaveInterval", out.AutoSaveInterval);
    Read(store, "AutoSave", out.AutoSave);
}

void ReadPeripheralSettings(TRegistryStore& store, TServiceSettings& out) {
    Read(store, "ActUptimesClient", out.ActUptimesClient);
    Read(store, "UptimesInterval", out.UptimesInterval);
    if (store.ValueExists("FlashKeyboardLights")) {
        out.FlashKeyboardLights = store.ReadBool("FlashKeyboardLights");
        Read(store, "FlashKeyboardLightsInterval", out.FlashKeyboardLightsInterval);
    }
}

void ReadUpdateSettings(TRegistryStore& store, TServiceSettings& out) {
    if (!store.ValueExists("AutoUpdate")) return;
    out.AutoUpdate = store.ReadBool("AutoUpdate");
    // Stored together with AutoUpdate; a hand-edited file may lack them: then they are off.
    Read(store, "AU_Startup", out.UpdateAtStartup);
    Read(store, "AU_Poll", out.UpdatePollDays);
}

} // namespace keltrix
