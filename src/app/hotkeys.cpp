#include "app/hotkeys.h"

#include "app/hotkey_convert.h"
#include "app/hotkey_dialog.h"
#include "base/smartlog.h"
#include "settings/registry_store.h"
#include "settings/service_settings.h"

#include <QAction>
#include <QSocketNotifier>
#include <QWidget>

#include <cstdio>

namespace keltrix {
namespace {

constexpr const char* TrayAtom = "KeltrixTrayIconHotKey";
constexpr const char* SuspendAtom = "KeltrixSuspendHotKey";
constexpr const char* TrayRegisterFailed = "Unable to initialize Hotkey for the TrayIcon";
constexpr const char* SuspendRegisterFailed = "Unable to initialize the suspend hotkey";

// Runs the cleanup on every way out of a scope.
template <class F> struct TFinally {
    F Body;
    ~TFinally() { Body(); }
};
template <class F> TFinally(F) -> TFinally<F>;

} // namespace

TGlobalHotKeys::TGlobalHotKeys(TRegistryStore& settings, QWidget* window, TGlobalHotKeysHooks hooks,
                               QObject* parent)
    : QObject(parent), Settings_(settings), Window_(window), Hooks_(std::move(hooks)) {
    TrayIconHotKey.AtomName = TrayAtom;
    SuspendHotKey.AtomName = SuspendAtom;
    SetIconHotKey1 = new QAction("Set Icon HotKey", this);
    SetSuspendHotKey1 = new QAction("Set Suspend HotKey", this);
    connect(SetIconHotKey1, &QAction::triggered, this, &TGlobalHotKeys::SetIconHotKey1Click);
    connect(SetSuspendHotKey1, &QAction::triggered, this, &TGlobalHotKeys::SetSuspendHotKey1Click);
}

TGlobalHotKeys::~TGlobalHotKeys() = default;

void TGlobalHotKeys::Show(const std::string& text) {
    std::fprintf(stderr, "keltrix: %s\n", text.c_str());
    if (Hooks_.ShowMessage) Hooks_.ShowMessage(text);
}

void TGlobalHotKeys::LoadHotKeys(const std::optional<THotkey>& trayKey,
                                 const std::optional<THotkey>& suspendKey) {
    const auto load = [this](TSystemHotKey& key, const std::optional<THotkey>& stored,
                             const char* failed) {
        key.Id = -1;
        key.Registered = false;
        if (!stored) return;
        key.HotKey =
            (std::uint32_t(stored->Mods) << 16) | (std::uint32_t(stored->VirtualKey) & 0xFFFF);
        key.Registered = RegisterSysKeys(key);
        if (!key.Registered) Show(failed);
    };
    load(TrayIconHotKey, trayKey, TrayRegisterFailed);
    load(SuspendHotKey, suspendKey, SuspendRegisterFailed);
}

bool TGlobalHotKeys::RegisterSysKeys(TSystemHotKey& key) {
    LogAdd("RegisterSysKeys");
    std::string why;
    const std::int32_t atom = Keys_.GlobalAddAtom(key.AtomName, &why);
    key.Id = atom;
    platform::TResult result =
        atom != 0 ? Keys_.RegisterHotKey(key.Id, key.HotKey >> 16, key.HotKey & 0xFFFF)
                  : platform::TResult::Failure(platform::ERROR_NOT_SUPPORTED, why);
    if (!result) {
        std::fprintf(stderr, "keltrix: hotkey %s (%s) not registered: %s\n", key.AtomName.c_str(),
                     HotKeyText(key.HotKey).c_str(), result.Reason.c_str());
        return false;
    }
    WatchPresses();
    return true;
}

bool TGlobalHotKeys::UnRegisterSysKeys(TSystemHotKey& key) {
    LogAdd("UnRegisterSysKeys");
    const platform::TResult result = Keys_.UnregisterHotKey(key.Id);
    if (!result)
        std::fprintf(stderr, "keltrix: hotkey %s not unregistered: %s\n", key.AtomName.c_str(),
                     result.Reason.c_str());
    return result.Ok();
}

void TGlobalHotKeys::WatchPresses() {
    if (Presses_ || Keys_.Fd() < 0) return;
    Presses_ = new QSocketNotifier(Keys_.Fd(), QSocketNotifier::Read, this);
    connect(Presses_, &QSocketNotifier::activated, this, [this] {
        for (const std::int32_t id : Keys_.TakePresses()) HotKeyPressed(id);
    });
}

void TGlobalHotKeys::HotKeyPressed(std::int32_t id) {
    if (id == TrayIconHotKey.Id) {
        if (Hooks_.TrayIconPressed) Hooks_.TrayIconPressed();
    } else if (id == SuspendHotKey.Id) {
        if (Hooks_.SuspendPressed) Hooks_.SuspendPressed();
    }
}

void TGlobalHotKeys::SetMenuShortCut(QAction* item, std::uint16_t keyCode) {
    // Shown in the menu's short-cut column; the grab, not the menu, acts on the keys.
    QString text = item->text().section('\t', 0, 0);
    if (const std::string shortcut = ShortCutText(keyCode); !shortcut.empty())
        text += "\t" + QString::fromStdString(shortcut);
    item->setText(text);
    item->setData(keyCode);
}

void TGlobalHotKeys::SetIconHotKey1Click() {
    LogAdd("SetIconHotKey1Click");
    SetHotKey(TrayIconHotKey, SetIconHotKey1,
              {"Set Icon HotKey", "TRAYKEY", TrayRegisterFailed,
               "Do you wish to Unassign the TrayIcon hotkey ?",
               "Keltrix was unable to Unassign the TrayIcon shortcut key"});
}

void TGlobalHotKeys::SetSuspendHotKey1Click() {
    LogAdd("SetSuspendHotKey1Click");
    SetHotKey(SuspendHotKey, SetSuspendHotKey1,
              {"Set Suspend HotKey", "SUSPENDKEY", SuspendRegisterFailed,
               "Do you wish to Unassign the Suspend hotkey ?",
               "Keltrix was unable to Unassign the suspend hotkey"});
}

void TGlobalHotKeys::SetHotKey(TSystemHotKey& key, QAction* item, const TTexts& texts) {
    if (Hooks_.Suspend) Hooks_.Suspend();
    const TFinally resume{[this] {
        if (Hooks_.Resume) Hooks_.Resume();
    }};
    std::uint16_t keyCode =
        SystemHotKeyToShortCut(key.HotKey, [this](const std::string& text) { Show(text); });
    int result = 0;
    if (Hooks_.Execute) {
        result = Hooks_.Execute(texts.Caption, keyCode);
    } else {
        THotKeyDlg dialog(Window_);
        dialog.HotKey1->VirtualKeyOfKeyCode = [this](std::uint32_t code) {
            return Keys_.VirtualKeyOfKeyCode(code);
        };
        result = dialog.Execute(texts.Caption, keyCode);
    }

    const std::string prefix = texts.Prefix;
    if (result == mrOk) {
        if (key.Registered) UnRegisterSysKeys(key);
        key.HotKey = ShortCutToSystemHotKey(keyCode);
        Settings_.WriteInteger(prefix + "_MODS", static_cast<std::int32_t>(key.HotKey >> 16));
        Settings_.WriteInteger(prefix + "_VIRTUALKEY",
                               static_cast<std::int32_t>(key.HotKey & 0xFFFF));
        key.Registered = RegisterSysKeys(key);
        SetMenuShortCut(item, keyCode);
        if (!key.Registered) {
            Show(texts.RegisterFailed);
            SetMenuShortCut(item, 0);
        }
        return;
    }
    if (!key.Registered || (result != mrCancel && result != mrUnAssign)) return;
    if (result == mrCancel && Hooks_.AskYesNo && !Hooks_.AskYesNo(texts.Question)) return;
    const bool unregistered = UnRegisterSysKeys(key);
    key.Registered = !unregistered;
    if (!unregistered) Show(texts.UnassignFailed);
    key.HotKey = 0;
    Settings_.DeleteValue(prefix + "_MODS");
    Settings_.DeleteValue(prefix + "_VIRTUALKEY");
    SetMenuShortCut(item, 0);
}

void TGlobalHotKeys::UnregisterAtExit() {
    if (TrayIconHotKey.Registered && !UnRegisterSysKeys(TrayIconHotKey))
        Show("Keltrix was unable to uninstall the Hotkey assigned for hiding the TrayIcon");
    if (SuspendHotKey.Registered && !UnRegisterSysKeys(SuspendHotKey))
        Show("Keltrix was unable to uninstall the Hotkey assigned for suspending Keltrix");
}

} // namespace keltrix
