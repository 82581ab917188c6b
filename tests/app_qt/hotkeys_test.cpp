#include "app/hotkey_convert.h"
#include "app/hotkey_dialog.h"
#include "app/hotkeys.h"
#include "settings/registry_store.h"
#include "settings/service_settings.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using namespace keltrix;

namespace {

// A key as the X11 platform hands it over: the key code and the keysym ride along.
void Press(QWidget* target, int key, Qt::KeyboardModifiers mods, quint32 keysym = 0) {
    QKeyEvent press(QEvent::KeyPress, key, mods, 0, keysym, 0);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, 0, keysym, 0);
    QApplication::sendEvent(target, &release);
}

// Runs the dialog with the keys pressed once it is shown, then the button clicked.
int RunDialog(THotKeyDlg& dialog, std::uint16_t& keyCode,
              const std::function<void(THotKeyDlg&)>& user) {
    QTimer::singleShot(0, &dialog, [&] { user(dialog); });
    return dialog.Execute("Set Icon HotKey", keyCode);
}

} // namespace

TEST(HotKeyDialog, TakesTheCombinationAndReturnsEachButtonsResult) {
    THotKeyDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), "Set HotKey");
    EXPECT_EQ(dialog.HotKey1->HotKey(), scAlt | 'A'); // as designed
    EXPECT_TRUE(dialog.Ok->isDefault());

    std::uint16_t keyCode = 0;
    int result = RunDialog(dialog, keyCode, [](THotKeyDlg& d) {
        EXPECT_EQ(d.Label1->text(), "Set Icon HotKey");
        EXPECT_EQ(d.HotKey1->text(), "None");
        Press(d.HotKey1, Qt::Key_M, Qt::ControlModifier | Qt::AltModifier, 0x6D);
        EXPECT_EQ(d.HotKey1->text(), "Ctrl + Alt + M");
        d.Ok->click();
    });
    EXPECT_EQ(result, mrOk);
    EXPECT_EQ(keyCode, scCtrl | scAlt | 'M');
    EXPECT_EQ(ShortCutToSystemHotKey(keyCode), (3u << 16) | 77u);

    result = RunDialog(dialog, keyCode, [](THotKeyDlg& d) {
        EXPECT_EQ(d.HotKey1->text(), "Ctrl + Alt + M"); // starts from the caller's value
        Press(d.HotKey1, Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier, 0xFFC2);
        d.UnAssign->click();
    });
    EXPECT_EQ(result, mrUnAssign);
    EXPECT_EQ(ShortCutToSystemHotKey(keyCode), (6u << 16) | 116u);

    // Escape cancels; the value the control held comes back all the same.
    result = RunDialog(dialog, keyCode, [](THotKeyDlg& d) {
        Press(d.HotKey1, Qt::Key_K, Qt::ControlModifier, 0x6B);
        Press(d.HotKey1, Qt::Key_Escape, Qt::NoModifier, 0xFF1B);
    });
    EXPECT_EQ(result, mrCancel);
    EXPECT_EQ(keyCode, scCtrl | 'K');

    result = RunDialog(dialog, keyCode, [](THotKeyDlg& d) { d.Cancel->click(); });
    EXPECT_EQ(result, mrCancel);
}

TEST(HotKeyDialog, AKeyAloneOrWithShiftAloneIsTakenWithAlt) {
    THotKeyEdit edit;
    Press(&edit, Qt::Key_K, Qt::NoModifier, 0x6B);
    EXPECT_EQ(edit.HotKey(), scAlt | 'K');
    Press(&edit, Qt::Key_Q, Qt::ShiftModifier, 0x51);
    EXPECT_EQ(edit.HotKey(), scAlt | 'Q');
    Press(&edit, Qt::Key_Q, Qt::ShiftModifier | Qt::AltModifier, 0x51);
    EXPECT_EQ(edit.HotKey(), scShift | scAlt | 'Q');
    // Modifiers alone change nothing; the control shows them while they are held.
    Press(&edit, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(edit.HotKey(), scShift | scAlt | 'Q');
    EXPECT_EQ(edit.text(), "Shift + Alt + Q");
    // The key's place counts, not what Shift makes it type: Shift+1 types "!".
    edit.VirtualKeyOfKeyCode = [](std::uint32_t code) { return code == 10 ? '1' : 0u; };
    QKeyEvent bang(QEvent::KeyPress, Qt::Key_Exclam, Qt::ShiftModifier | Qt::ControlModifier, 10,
                   0x21, 0);
    QApplication::sendEvent(&edit, &bang);
    EXPECT_EQ(edit.HotKey(), scShift | scCtrl | '1');
    // Keys without a virtual key are not taken; without native data the Qt key serves.
    Press(&edit, Qt::Key_Exclam, Qt::ControlModifier, 0x21);
    EXPECT_EQ(edit.HotKey(), scShift | scCtrl | '1');
    Press(&edit, Qt::Key_F12, Qt::ControlModifier);
    EXPECT_EQ(edit.HotKey(), scCtrl | 0x7B);
}

namespace {

// The commands against a settings file of their own, with the dialog answered by a script.
// Without an X display every registration fails, as it does on a Wayland session.
class HotKeyCommands : public ::testing::Test {
protected:
    void SetUp() override {
        SavedDisplay = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
        unsetenv("DISPLAY");
        File = testing::TempDir() + "/hotkeys_" + std::to_string(getpid()) + ".reg";
        std::remove(File.c_str());
        Store = std::make_unique<TRegistryStore>(File);
        Store->OpenKey("Software\\OrlenwickStudios\\Vistrand", true);
        TGlobalHotKeysHooks hooks;
        hooks.Suspend = [this] { ++Suspends; };
        hooks.Resume = [this] { ++Resumes; };
        hooks.ShowMessage = [this](const std::string& text) { Messages.push_back(text); };
        hooks.AskYesNo = [this](const std::string& text) {
            Questions.push_back(text);
            return Answer;
        };
        hooks.Execute = [this](const std::string& caption, std::uint16_t& keyCode) {
            Captions.push_back(caption);
            Opened.push_back(keyCode);
            keyCode = Typed;
            return Result;
        };
        Keys = std::make_unique<TGlobalHotKeys>(*Store, nullptr, hooks);
    }
    void TearDown() override {
        Keys.reset();
        std::remove(File.c_str());
        if (!SavedDisplay.empty()) setenv("DISPLAY", SavedDisplay.c_str(), 1);
    }

    std::string SavedDisplay, File;
    std::unique_ptr<TRegistryStore> Store;
    std::unique_ptr<TGlobalHotKeys> Keys;
    std::vector<std::string> Messages, Questions, Captions;
    std::vector<std::uint16_t> Opened;
    std::uint16_t Typed = 0;
    int Result = mrCancel;
    bool Answer = true;
    int Suspends = 0, Resumes = 0;
};

} // namespace

TEST_F(HotKeyCommands, OkStoresTheValuesEvenWhenRegistrationFails) {
    Typed = scCtrl | scAlt | 'M';
    Result = mrOk;
    Keys->SetIconHotKey1Click();
    EXPECT_EQ(Captions, std::vector<std::string>{"Set Icon HotKey"});
    EXPECT_EQ(Store->ReadInteger("TRAYKEY_MODS"), 3);
    EXPECT_EQ(Store->ReadInteger("TRAYKEY_VIRTUALKEY"), 77);
    EXPECT_EQ(Messages, std::vector<std::string>{"Unable to initialize Hotkey for the TrayIcon"});
    EXPECT_FALSE(Keys->TrayIconHotKey.Registered);
    EXPECT_EQ(Keys->SetIconHotKey1->text(), "Set Icon HotKey"); // no short-cut shown
    EXPECT_EQ(Suspends, 1);
    EXPECT_EQ(Resumes, 1);

    // The dialog opens on the stored combination next time.
    Result = mrCancel;
    Keys->SetIconHotKey1Click();
    EXPECT_EQ(Opened.back(), scCtrl | scAlt | 'M');
    EXPECT_TRUE(Questions.empty()); // not registered: Cancel changes nothing
    EXPECT_TRUE(Store->ValueExists("TRAYKEY_MODS"));

    Typed = scCtrl | scShift | 0x74;
    Result = mrOk;
    Keys->SetSuspendHotKey1Click();
    EXPECT_EQ(Captions.back(), "Set Suspend HotKey");
    EXPECT_EQ(Store->ReadInteger("SUSPENDKEY_MODS"), 6);
    EXPECT_EQ(Store->ReadInteger("SUSPENDKEY_VIRTUALKEY"), 116);
    EXPECT_EQ(Messages.back(), "Unable to initialize the suspend hotkey");
    EXPECT_EQ(Suspends, 3);
    EXPECT_EQ(Resumes, 3);
}

TEST_F(HotKeyCommands, StartUpReportsEachStoredHotKeyThatCannotBeRegistered) {
    Keys->LoadHotKeys(THotkey{3, 77}, std::nullopt);
    EXPECT_EQ(Messages, std::vector<std::string>{"Unable to initialize Hotkey for the TrayIcon"});
    EXPECT_EQ(Keys->TrayIconHotKey.HotKey, (3u << 16) | 77u);
    Keys->LoadHotKeys(std::nullopt, THotkey{6, 116});
    EXPECT_EQ(Messages.back(), "Unable to initialize the suspend hotkey");
    EXPECT_EQ(Messages.size(), 2u);
    Keys->UnregisterAtExit(); // nothing registered, nothing to report
    EXPECT_EQ(Messages.size(), 2u);
}

TEST_F(HotKeyCommands, AStoredWindowsKeyFlagShowsConverterErrorWhenTheDialogOpens) {
    Keys->LoadHotKeys(THotkey{8 | 2, 'K'}, std::nullopt);
    Messages.clear();
    Result = mrCancel;
    Keys->SetIconHotKey1Click();
    EXPECT_EQ(Messages, std::vector<std::string>{"Converter error"});
    ASSERT_EQ(Opened.size(), 1u);
    // 10: Shift (6 left), Control (4 left), Alt (3 left), and 3 is still over.
    EXPECT_EQ(Opened[0], scShift | scCtrl | scAlt | 'K');
}

TEST_F(HotKeyCommands, CancelAsksBeforeUnassigningAndUnassignDeletesTheValues) {
    Store->WriteInteger("TRAYKEY_MODS", 3);
    Store->WriteInteger("TRAYKEY_VIRTUALKEY", 77);
    Keys->TrayIconHotKey.HotKey = (3u << 16) | 77u;
    Keys->TrayIconHotKey.Registered = true; // as after a registration

    Result = mrCancel;
    Answer = false;
    Keys->SetIconHotKey1Click();
    EXPECT_EQ(Questions, std::vector<std::string>{"Do you wish to Unassign the TrayIcon hotkey ?"});
    EXPECT_TRUE(Keys->TrayIconHotKey.Registered);
    EXPECT_TRUE(Store->ValueExists("TRAYKEY_MODS"));

    // Yes unassigns; the platform has no such registration, so that is reported, and the
    // values go all the same.
    Answer = true;
    Keys->SetIconHotKey1Click();
    EXPECT_EQ(Messages.back(), "Keltrix was unable to Unassign the TrayIcon shortcut key");
    EXPECT_EQ(Keys->TrayIconHotKey.HotKey, 0u);
    EXPECT_FALSE(Store->ValueExists("TRAYKEY_MODS"));
    EXPECT_FALSE(Store->ValueExists("TRAYKEY_VIRTUALKEY"));
    EXPECT_EQ(Suspends, Resumes);

    Keys->SuspendHotKey.HotKey = (6u << 16) | 116u;
    Keys->SuspendHotKey.Registered = true;
    Store->WriteInteger("SUSPENDKEY_MODS", 6);
    Result = mrUnAssign; // no question
    Questions.clear();
    Keys->SetSuspendHotKey1Click();
    EXPECT_TRUE(Questions.empty());
    EXPECT_EQ(Messages.back(), "Keltrix was unable to Unassign the suspend hotkey");
    EXPECT_FALSE(Store->ValueExists("SUSPENDKEY_MODS"));

    // The exit reports a registration it cannot undo.
    Keys->TrayIconHotKey.Registered = true;
    Keys->SuspendHotKey.Registered = true;
    Messages.clear();
    Keys->UnregisterAtExit();
    EXPECT_EQ(Messages,
              (std::vector<std::string>{
                  "Keltrix was unable to uninstall the Hotkey assigned for hiding the TrayIcon",
                  "Keltrix was unable to uninstall the Hotkey assigned for suspending Keltrix"}));
}

TEST_F(HotKeyCommands, PressesGoByIdentifier) {
    int tray = 0, suspend = 0;
    TGlobalHotKeysHooks hooks;
    hooks.TrayIconPressed = [&] { ++tray; };
    hooks.SuspendPressed = [&] { ++suspend; };
    TGlobalHotKeys keys(*Store, nullptr, hooks);
    keys.TrayIconHotKey.Id = 301;
    keys.SuspendHotKey.Id = 302;
    keys.HotKeyPressed(301);
    keys.HotKeyPressed(302);
    keys.HotKeyPressed(302);
    keys.HotKeyPressed(-1);
    EXPECT_EQ(tray, 1);
    EXPECT_EQ(suspend, 2);
}
