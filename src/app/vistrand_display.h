#pragma once
// The main window: the hub that owns every subsystem for the run. Menu handlers keep their
// given names and forward to the subsystem that carries the work.

#include "app/monitor_core.h"
#include "settings/service_settings.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace keltrix {

class TSmartLog;
class TRegistryStore;
class TSamplingCycle;
class TMainTimer;
class TDisplayLayout;
class TWindowBehaviour;
class TTrayIcon;
class TGlobalHotKeys;
class TScrollLockFlash;
class TWebView;
class TWebPublishing;
class TWebMenu;
class TMBMLink;
class TPowerNotices;
class TNetLink;
class TQtEventLoop;
class TConfigSets;
class TOptionForm;
class TUptimesClient;
class TUpdateCheck;
namespace platform {
class TNamedEvent;
}

class TVistrandDisplay : public QWidget {
    Q_OBJECT
public:
    TVistrandDisplay(std::vector<std::string> args, std::unique_ptr<TRegistryStore> store);
    ~TVistrandDisplay() override;

    // The general error handler. Errors of the start-up wait until the window and the tray
    // icon exist.
    void ApplicationEvents1Exception(const std::string& className, const std::string& message);
    // A settings value that cannot be read or saved; told once, as a balloon.
    void SettingsProblem(const std::string& message);
    // kind: 16 no icon (start-up notes), 3 error.
    void ShowBalloonTips(const std::string& text, const std::string& title, int kind);

    TRawDataShell& RawData() { return *Core_.RawData; }

public slots:
    void Exit1Click();
    void ReTray();
    void SaveadvDebugFile1Click();
    void UpdateInterval1Click();
    void LongestUptime1Click();
    void AverageUptime1Click();
    void WipeRegistrySettings1Click();
    void Bypassconfirm1Click();
    void EditStartupParameter1Click();
    void ExcludeProcessfromPercentage1Click();
    void Help1Click();
    void About1Click();
    void SetIconHotKey1Click();
    void SetSuspendHotKey1Click();
    void Flashkeyboardlights1Click();
    void ActasServer1Click();
    void DisplayItems1Click();
    void ActUptimesClientClick();
    void CheckForUpdate1Click();
    void UpdateSettings1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Start-up, in the order of its steps.
    void FormCreate(const std::vector<std::string>& args);
    void SetUpAdvancedLog();
    void CreateDisplay();
    void ReadServiceSettings();
    // The web service and the XML auto-save, with their menu items (step 19).
    void CreateWebPublishing();
    void CreateSamplingCycle();
    void CreateSensorLink();
    void PowerMsg(int event);
    void StopSensorLink();
    void ReadLateSettings();
    void CreateTrayIcon();
    void StartMainTimer();
    void WatchSecondStarts();
    void WatchExitSignals();
    void ShowStartupMessages();
    // Runs one step of the start-up; its error goes to the general error handler.
    template <class F> void StartupStep(F&& step);
    // What waited for the start-up to end, told now.
    void ReportWaitingErrors();
    void CreateShellKeys(); // hotkeys and the network lamp
    // The record link: its menu, its object (a client connects at once), a stored server.
    void BuildNetworkingMenu();
    void StartNetLink();
    void StartStoredServer();
    void ClientTick(); // in client mode, in place of a sample
    void CloseNetLink();
    // The uptime report and the update check.
    void BuildUptimesMenuItem();
    void BuildInternetMenu();
    void StartUptimes();
    void StartUpdates();
    void StopOutside();

    void BuildMenu();
    // The format editor and config sets (config_commands.cpp).
    void CreateConfigSets();
    std::unique_ptr<TOptionForm> CreateOptionForm();
    bool FormatEditorVisible() const;
    void PopupMenu1Popup(); // rebuilds "Fast Config"
    void LoadStartupConfigSet();
    static bool HelpFileExists();
    void Timer1Timer();
    void GetInfo(bool force);
    void RefreshScreen();
    void SamplingFailed(const std::string& className, const std::string& message,
                        const std::vector<std::string>& bugReport);
    // Window values written at exit and when a config set is saved.
    void SaveToReg();
    std::int64_t CurrentUptime() const;
    // Brackets a prompt: the main timer paused, the pin-to-desktop order held.
    template <class F> auto Prompt(F&& body);

    std::unique_ptr<TRegistryStore> Settings_;
    TMonitorCore Core_;
    std::unique_ptr<TSmartLog> SmartLog_;
    std::unique_ptr<TSamplingCycle> Sampling_;
    std::unique_ptr<TMainTimer> Timer_;
    std::unique_ptr<platform::TNamedEvent> SecondStart_;
    std::unique_ptr<TDisplayLayout> Layout_;
    std::unique_ptr<TWindowBehaviour> Window_; // attached to the layout: released first
    std::unique_ptr<TTrayIcon> Tray_;
    std::unique_ptr<TGlobalHotKeys> HotKeys_;
    std::unique_ptr<TScrollLockFlash> Flash_;
    std::unique_ptr<TMBMLink> MBMLink_;
    TPowerNotices* PowerNotices_ = nullptr; // a child of the window
    std::unique_ptr<TQtEventLoop> EventLoop_;
    std::unique_ptr<TNetLink> Link_;          // watches descriptors of EventLoop_: released first
    std::unique_ptr<TUptimesClient> Uptimes_; // on EventLoop_ too
    std::unique_ptr<TUpdateCheck> Update_;    // on EventLoop_ too
    std::unique_ptr<TConfigSets> ConfigSets_;
    QPointer<TOptionForm> OptionForm_; // while "&Display Items" shows it

    TServiceSettings Services_;
    bool Bypass_ = false; // "Bypass confirm"
    bool Exiting_ = false;
    bool ReportsReady_ = false; // the start-up has ended: errors are shown as they come
    std::vector<std::pair<std::string, std::string>> WaitingErrors_; // class name, message
    std::vector<std::string> WaitingSettingsProblems_;
    std::vector<std::string> RenderErrorsTold_; // a refresh repeats its error every time

    QMenu PopupMenu1;
    QMenu* Layout1 = nullptr;
    QMenu* Networking1 = nullptr;
    QMenu* FastConfig1 = nullptr;
    QAction* ActasServer1 = nullptr;
    QAction* ActUptimesClient1 = nullptr;
    QAction* UptimeStats1 = nullptr;
    QAction* WipeRegistrySettings1 = nullptr;
    QAction* Bypassconfirm1 = nullptr;
    QAction* SaveadvDebugFile1 = nullptr;
    QAction* Help1 = nullptr;

    // Read the record, the formatters and the labels: released before them.
    std::unique_ptr<TWebView> WebView_;
    std::unique_ptr<TWebPublishing> Web_;
    TWebMenu* WebMenu_ = nullptr; // a child of the window
};

} // namespace keltrix
