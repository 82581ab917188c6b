// The main window's global hotkeys and network lamp: creation, start-up, presses, exit.
#include "app/dialogs.h"
#include "app/hotkeys.h"
#include "app/main_timer.h"
#include "app/tray_icon.h"
#include "app/vistrand_display.h"
#include "display/window_behaviour.h"
#include "peripherals/scroll_flash.h"
#include "settings/registry_store.h"

namespace keltrix {

void TVistrandDisplay::CreateShellKeys() {
    TGlobalHotKeysHooks keys;
    keys.Suspend = [this] { Timer_->Suspend(); };
    keys.Resume = [this] { Timer_->Resume(); };
    keys.ShowMessage = [this](const std::string& text) { ShowWarning(this, text); };
    keys.AskYesNo = [this](const std::string& text) {
        return AskBypassable(this, Bypass_, TQuestionKind::Confirmation, text) == QMessageBox::Yes;
    };
    keys.TrayIconPressed = [this] {
        if (Tray_) Tray_->ToggleByHotkey();
    };
    keys.SuspendPressed = [this] { Timer_->ToggleUserSuspend(); };
    HotKeys_ = std::make_unique<TGlobalHotKeys>(*Settings_, this, keys, this);

    TScrollFlashHooks flash;
    flash.Suspend = keys.Suspend;
    flash.Resume = keys.Resume;
    flash.Warning = [this](const std::string& title, const std::string& text) {
        QMessageBox::warning(this, QString::fromStdString(title),
                             QString::fromStdString(text).replace("\r\n", "\n"));
    };
    flash.InputBox = [this](const std::string& title, const std::string& prompt,
                            const std::string& value) {
        return InputBox(this, title, prompt, value);
    };
    flash.Rates = [this] {
        const TRawData& data = Core_.RawData->Data();
        return std::pair{data.NetRead[0], data.NetWrite[0]};
    };
    Flash_ = std::make_unique<TScrollLockFlash>(*Settings_, flash, this);
}

void TVistrandDisplay::SetIconHotKey1Click() {
    const TWindowBehaviour::TDialogHold hold(*Window_);
    HotKeys_->SetIconHotKey1Click();
}

void TVistrandDisplay::SetSuspendHotKey1Click() {
    const TWindowBehaviour::TDialogHold hold(*Window_);
    HotKeys_->SetSuspendHotKey1Click();
}

void TVistrandDisplay::Flashkeyboardlights1Click() {
    // Held while the warning and the period question are open, whatever the answer.
    const TWindowBehaviour::TDialogHold hold(*Window_);
    Flash_->Flashkeyboardlights1Click();
}

} // namespace keltrix
