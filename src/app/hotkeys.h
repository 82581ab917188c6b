#pragma once
// The two system-wide hotkeys: the tray-icon hotkey shows or hides the tray icon, the suspend
// hotkey pauses or resumes sampling. Their records, registration, the two "Config" commands
// with the capture dialog, and the presses.

#include "platform/hotkeys.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QSocketNotifier;
class QWidget;

namespace keltrix {

class TRegistryStore;
struct THotkey;

struct TSystemHotKey {
    std::string AtomName;
    std::uint32_t HotKey = 0; // low word the virtual key, high word the modifiers
    bool Registered = false;
    std::int32_t Id = -1;
};

struct TGlobalHotKeysHooks {
    std::function<void()> Suspend; // the main timer, around the dialog
    std::function<void()> Resume;
    std::function<void(const std::string&)> ShowMessage;
    // The bypassable confirmation; true for Yes.
    std::function<bool(const std::string&)> AskYesNo;
    // The capture dialog: the modal result, keyCode updated. THotKeyDlg when not given.
    std::function<int(const std::string& caption, std::uint16_t& keyCode)> Execute;
    std::function<void()> TrayIconPressed;
    std::function<void()> SuspendPressed;
};

class TGlobalHotKeys : public QObject {
    Q_OBJECT
public:
    TGlobalHotKeys(TRegistryStore& settings, QWidget* window, TGlobalHotKeysHooks hooks,
                   QObject* parent = nullptr);
    ~TGlobalHotKeys() override;

    // Start-up: each stored hotkey is registered; a failure is shown.
    void LoadHotKeys(const std::optional<THotkey>& trayKey,
                     const std::optional<THotkey>& suspendKey);
    bool RegisterSysKeys(TSystemHotKey& key);
    bool UnRegisterSysKeys(TSystemHotKey& key);
    // The exit: each registered hotkey is unregistered, a failure shown.
    void UnregisterAtExit();

    // A press (the hotkey message), by identifier.
    void HotKeyPressed(std::int32_t id);

    TSystemHotKey TrayIconHotKey;
    TSystemHotKey SuspendHotKey;
    QAction* SetIconHotKey1 = nullptr;
    QAction* SetSuspendHotKey1 = nullptr;
    platform::THotKeys& Platform() { return Keys_; }

public slots:
    void SetIconHotKey1Click();
    void SetSuspendHotKey1Click();

private:
    struct TTexts {
        const char* Caption;
        const char* Prefix; // of the stored values
        const char* RegisterFailed;
        const char* Question;
        const char* UnassignFailed;
    };
    void SetHotKey(TSystemHotKey& key, QAction* item, const TTexts& texts);
    void SetMenuShortCut(QAction* item, std::uint16_t keyCode);
    void Show(const std::string& text);
    void WatchPresses();

    TRegistryStore& Settings_;
    QWidget* Window_;
    TGlobalHotKeysHooks Hooks_;
    platform::THotKeys Keys_;
    QSocketNotifier* Presses_ = nullptr;
};

} // namespace keltrix
