// The orderly exit: what is saved, what is released, in its fixed order.
#include "app/hotkeys.h"
#include "app/main_timer.h"
#include "app/tray_icon.h"
#include "app/vistrand_display.h"
#include "base/smartlog.h"
#include "display/window_behaviour.h"
#include "measure/sampling_cycle.h"
#include "net/web_menu.h"
#include "peripherals/scroll_flash.h"
#include "settings/registry_store.h"
#include "settings/settings_key.h"
#include "settings/uptime_stats.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cstdio>

namespace keltrix {

std::int64_t TVistrandDisplay::CurrentUptime() const {
    return Core_.RawData ? Core_.RawData->Data().Uptime : 0;
}

void TVistrandDisplay::SaveToReg() {
    if (Window_) Window_->SaveToReg();
}

void TVistrandDisplay::Exit1Click() {
    if (Exiting_) return;
    Exiting_ = true;
    LogAdd("Exit1Click");
    try {
        SaveToReg();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "keltrix: settings not saved: %s\n", e.what());
    }
    if (HotKeys_) HotKeys_->UnregisterAtExit();
    // From here on nothing may stop the exit.
    try {
        Timer_->Suspend();
        StopOutside();
        if (Flash_) Flash_->SwitchOffAtExit();
        if (WebMenu_) WebMenu_->Shutdown();
        CloseNetLink();
        if (Tray_) Tray_->Remove();
        if (WipeRegistrySettings1->isChecked()) {
            const std::string key =
                Core_.Switches.ClientMode
                    ? ClientSettingsKey(Core_.Switches.ClientHost, Core_.Switches.ClientPort)
                    : std::string(SettingsKeyPath);
            Settings_->CloseKey();
            Settings_->DeleteKey(key);
        } else {
            if (Window_) Window_->SaveSizeAndPosition();
            RecordExitUptime(*Settings_, CurrentUptime());
        }
        Settings_->CloseKey();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "keltrix: during exit: %s\n", e.what());
    }
    StopSensorLink();
    Sampling_.reset();
    // Queued: the exit may come from start-up, before the message loop runs.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace keltrix
