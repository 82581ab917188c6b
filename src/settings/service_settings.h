#pragma once
// The stored values that start the program's services: read by start-up at their steps, kept
// for the components that act on them (hotkeys, server, web service, XML auto-save, uptime
// report, Scroll Lock flash, update check).

#include <cstdint>
#include <optional>
#include <string>

namespace keltrix {

class TRegistryStore;

struct THotkey {
    std::int32_t Mods = 0;       // Alt 1, Control 2, Shift 4
    std::int32_t VirtualKey = 0; // Windows virtual-key code
};

struct TServiceSettings {
    std::optional<THotkey> TrayKey;
    std::optional<THotkey> SuspendKey;
    std::int32_t ServPort = 6130;
    bool Server = false;
    std::int32_t WebServicePort = 61300;
    bool WebService = false;
    std::string AutoSaveName = "keltrix.xml";
    std::int32_t AutoSaveInterval = 10000;
    bool AutoSave = false;
    bool ActUptimesClient = false;
    std::int32_t UptimesInterval = 60000;
    bool FlashKeyboardLights = false;
    std::int32_t FlashKeyboardLightsInterval = 1000;
    bool AutoUpdate = false;
    bool UpdateAtStartup = false;    // AU_Startup
    std::int32_t UpdatePollDays = 0; // AU_Poll
};

void ReadHotkeySettings(TRegistryStore& store, TServiceSettings& out);
void ReadServerSettings(TRegistryStore& store, TServiceSettings& out);
void ReadPeripheralSettings(TRegistryStore& store, TServiceSettings& out);
void ReadUpdateSettings(TRegistryStore& store, TServiceSettings& out);

} // namespace keltrix
