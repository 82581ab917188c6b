#include "settings/registry_store.h"
#include "settings/service_settings.h"
#include "settings/settings_key.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace keltrix;

TEST(ServiceSettings, DefaultsWhenMissingAndStoredValuesWhenPresent) {
    const std::string path = testing::TempDir() + "/services_" + std::to_string(getpid()) + ".reg";
    TRegistryStore store(path);
    OpenAndMigrateSettings(store);
    TServiceSettings s;
    ReadHotkeySettings(store, s);
    ReadServerSettings(store, s);
    ReadPeripheralSettings(store, s);
    ReadUpdateSettings(store, s);
    EXPECT_FALSE(s.TrayKey);
    EXPECT_EQ(s.ServPort, 6130);
    EXPECT_EQ(s.WebServicePort, 61300);
    EXPECT_EQ(s.AutoSaveName, "keltrix.xml");
    EXPECT_EQ(s.AutoSaveInterval, 10000);
    EXPECT_EQ(s.UptimesInterval, 60000);
    EXPECT_EQ(s.FlashKeyboardLightsInterval, 1000);

    store.WriteInteger("SUSPENDKEY_VirtualKey", 80); // without its modifiers: no hotkey
    store.WriteInteger("TRAYKEY_Mods", 3);
    store.WriteInteger("TRAYKEY_VirtualKey", 84);
    store.WriteInteger("FlashKeyboardLightsInterval", 250); // ignored without the switch
    store.WriteBool("AutoUpdate", true);
    store.WriteInteger("AU_Poll", 7);
    TServiceSettings t;
    ReadHotkeySettings(store, t);
    ReadPeripheralSettings(store, t);
    ReadUpdateSettings(store, t);
    ASSERT_TRUE(t.TrayKey);
    EXPECT_EQ(t.TrayKey->Mods, 3);
    EXPECT_EQ(t.TrayKey->VirtualKey, 84);
    EXPECT_FALSE(t.SuspendKey);
    EXPECT_EQ(t.FlashKeyboardLightsInterval, 1000);
    EXPECT_TRUE(t.AutoUpdate);
    EXPECT_FALSE(t.UpdateAtStartup);
    EXPECT_EQ(t.UpdatePollDays, 7);
    std::remove(path.c_str());
}
