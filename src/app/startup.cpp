// Start-up: the creation of the main window, step by step in its fixed order.
#include "app/dialogs.h"
#include "app/entry.h"
#include "app/hotkeys.h"
#include "app/main_timer.h"
#include "app/process_entry.h"
#include "app/tray_icon.h"
#include "app/vistrand_display.h"
#include "base/errors.h"
#include "base/smartlog.h"
#include "display/display_layout.h"
#include "display/window_behaviour.h"
#include "measure/sampling_cycle.h"
#include "peripherals/scroll_flash.h"
#include "platform/exit_signals.h"
#include "platform/paths.h"
#include "platform/single_instance.h"
#include "settings/config_sets.h"
#include "settings/registry_store.h"
#include "settings/vistrand_options.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cstdio>

namespace keltrix {

template <class F> void TVistrandDisplay::StartupStep(F&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        ApplicationEvents1Exception(ExceptionClassName(e), e.what());
    }
}

void TVistrandDisplay::FormCreate(const std::vector<std::string>& args) {
    setWindowTitle(QStringLiteral("Keltrix"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    move(717, 400); // the designed place, stored on a first start
    Timer_ = std::make_unique<TMainTimer>(this);
    Timer_->OnTick = [this] { Timer1Timer(); };
    Settings_->SetProblemSink([this](const std::string& problem) { SettingsProblem(problem); });
    // Told on stderr by the front already.
    for (const std::string& note : EntryNotes()) WaitingSettingsProblems_.push_back(note);

    Core_.OpenSettingsAndSwitches(args);
    if (Core_.Switches.AdvancedLog) SetUpAdvancedLog();
    for (const std::string& error : Core_.StartupErrors) ShowWarning(this, error);
    CreateShellKeys();
    BuildMenu();
    CreateDisplay();
    WatchSecondStarts();
    Core_.CreateRecordAndFormatters();
    Core_.RawData->OnData = [this](TRawDataShell&) { RefreshScreen(); };
    StartNetLink();
    CreateTrayIcon();
    Core_.OpenClientKey();

    StartupStep([this] {
        Window_->LoadAppearance();
        if (Settings_->ValueExists("RQIcons"))
            Tray_->UseRQIcons1->setChecked(Settings_->ReadBool("RQIcons"));
        Window_->LoadFont();
        Window_->LoadPosition(true);
    });
    Core_.ReadUptimeFormatAndExclusions();
    StartupStep([this] {
        Window_->LoadAlign();
        ReadHotkeySettings(*Settings_, Services_);
        HotKeys_->LoadHotKeys(Services_.TrayKey, Services_.SuspendKey);
    });
    StartupStep([this] { ReadServiceSettings(); });

    if (!Core_.Switches.ClientMode) CreateSamplingCycle(); // a client shows a server's record
    Core_.ReadFormatString();
    StartupStep([this] { ReadLateSettings(); });
    // From here on the layout owns the current format string.
    Layout_->SetFormatString(std::move(Core_.FormatString));
    StartupStep([this] { Layout_->ApplyFormatString(); });
    if (Exiting_) return; // the first sample failed and ended the program
    StartupStep([this] {
        Window_->LoadSize();
        ReadUpdateSettings(*Settings_, Services_);
        StartUpdates();
    });
    show();
    Timer_->SetInterval(Core_.ReadInterval());
    StartupStep([this] { StartUptimes(); });
    StartupStep([this] { Window_->LoadPosition(false); });
    StartMainTimer();
    Tray_->SetIconColor(Tray_->IconKind());
    Tray_->WatchTaskBar();
    StartupStep([this] { LoadStartupConfigSet(); });
    WatchExitSignals();
    ShowStartupMessages();
    ReportWaitingErrors();
    if (const std::string problem = Settings_->LoadError(); !problem.empty())
        ShowBalloonTips(problem + "\r\nKeltrix runs on its defaults and saves nothing until the "
                                  "file is repaired.",
                        "Settings file", 3);
}

void TVistrandDisplay::CreateDisplay() {
    TDisplayLayoutHooks hooks;
    hooks.Suspend = [this] { Timer_->Suspend(); };
    hooks.Resume = [this] { Timer_->Resume(); };
    hooks.ForcedSample = [this] { GetInfo(true); };
    hooks.TrayRedraw = [this] {
        if (Tray_ && Tray_->IconKind() == IconProcessorUsage)
            Tray_->SetIconColor(IconProcessorUsage);
    };
    hooks.ShowMessage = [this](const std::string& text) { ShowWarning(this, text); };
    hooks.ViewLock = &Core_.ViewLock;
    Layout_ = std::make_unique<TDisplayLayout>(this, Core_.Formatters, *Settings_, hooks);
    Layout_->ScreenAdjust.Enabled = Core_.Switches.ScreenAdjust;

    TWindowBehaviourHooks windowHooks;
    windowHooks.Suspend = hooks.Suspend;
    windowHooks.Resume = hooks.Resume;
    windowHooks.FormatEditorVisible = [this] { return FormatEditorVisible(); };
    windowHooks.ShowMessage = hooks.ShowMessage;
    Window_ = std::make_unique<TWindowBehaviour>(this, *Layout_, *Settings_, windowHooks);
    Window_->FillLayoutMenu(Layout1);
    for (int i = 0; i < Core_.Switches.LockToggles; ++i) Window_->LockPosition1Click();
    CreateConfigSets();
    ConfigSets_->SetMenu(FastConfig1);
}

void TVistrandDisplay::SetUpAdvancedLog() {
    SmartLog_ = std::make_unique<TSmartLog>(ApplicationTitle);
    SmartLog_->SetMaxLines(Core_.Switches.AdvancedLogLevel);
    SmartLog_->SetTimeStamps(true);
    SmartLog_->SetFileName(platform::DataDir() + "/SmartLog.log");
    SmartLog_->SetSaveOnDestroy(true);
    smartlog::Install(SmartLog_.get());
}

void TVistrandDisplay::WatchSecondStarts() {
    SecondStart_ = std::make_unique<platform::TNamedEvent>(EventName);
    std::string error;
    if (!SecondStart_->Create(&error)) {
        // Running unguarded has been told already, with the reason.
        if (!UnguardedReason().empty()) return;
        // Another instance (started with -MULTIPLE) already answers second starts.
        std::fprintf(stderr, "keltrix: not watching for second starts: %s\n", error.c_str());
        return;
    }
    auto* notifier = new QSocketNotifier(SecondStart_->Fd(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        if (SecondStart_->Consume()) ReTray();
    });
}

void TVistrandDisplay::WatchExitSignals() {
    const int fd = platform::WatchExitSignals();
    if (fd >= 0) {
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, fd] {
            platform::TakeExitSignal(fd);
            Exit1Click();
        });
    }
    // The end of the desktop session is an orderly exit too.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { Exit1Click(); });
}

void TVistrandDisplay::ReadServiceSettings() {
    if (Settings_->ValueExists("OfNoConfirm")) Bypass_ = Settings_->ReadBool("OfNoConfirm");
    Bypassconfirm1->setChecked(Bypass_);
    ReadServerSettings(*Settings_, Services_);
    StartStoredServer();
    CreateWebPublishing();
}

void TVistrandDisplay::CreateSamplingCycle() {
    Sampling_ = std::make_unique<TSamplingCycle>(*Core_.RawData, Core_.Formatters);
    Core_.ApplyNetInterfaces(*Sampling_);
    Sampling_->SetExclude(Core_.Exclude);
    if (Settings_->ValueExists("DriveMap")) {
        const platform::TResult map = Sampling_->SetDriveMap(Settings_->ReadString("DriveMap"));
        if (!map.Ok()) std::fprintf(stderr, "keltrix: DriveMap: %s\n", map.Reason.c_str());
    }
    Sampling_->DebugMode = Core_.Switches.DebugMode;
    Sampling_->CrashTest = Core_.Switches.CrashTest;
    Sampling_->TimerInterval = [this] { return static_cast<std::uint32_t>(Timer_->Interval()); };
    Sampling_->OnRefresh = [this] { RefreshScreen(); };
    Sampling_->OnFailure = [this](const std::string& cls, const std::string& msg,
                                  const std::vector<std::string>& report) {
        SamplingFailed(cls, msg, report);
    };
    CreateSensorLink();
}

void TVistrandDisplay::CreateTrayIcon() {
    TProcFormat* proc = nullptr;
    for (auto& f : Core_.Formatters)
        if (auto* p = dynamic_cast<TProcFormat*>(f.get())) proc = p;
    TTrayIconOptions options;
    options.InstanceId = Core_.Switches.InstanceId;
    options.NoBalloon = Core_.Switches.NoBalloon;
    options.ClientMode = [this] { return Core_.Switches.ClientMode; };
    options.AlwaysOnTop = [this] { return Window_->AlwaysOnTop1->isChecked(); };
    options.Menu = &PopupMenu1;
    Tray_ = std::make_unique<TTrayIcon>(*Settings_, this, proc, *Core_.RawData, options, this);
    // Between the separator after "&Transparent Background" and "Always &On Top".
    const QList<QAction*> items = Layout1->actions();
    const qsizetype at = items.indexOf(Window_->TrayItemsBefore);
    QAction* before = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
    Layout1->insertAction(before, Tray_->DisplayProcessorUsageinIcon1);
    Layout1->insertAction(before, Tray_->HideIcon1);
    Layout1->insertAction(before, Tray_->UseRQIcons1);
    Layout1->insertSeparator(before);
    if (!Core_.Switches.HideTrayIcon) Tray_->Add();
}

void TVistrandDisplay::ReadLateSettings() {
    if (Settings_->ValueExists("DisplayProcInTray")) {
        const bool show = Settings_->ReadBool("DisplayProcInTray");
        Tray_->DisplayProcessorUsageinIcon1->setChecked(show);
        Tray_->SetIconColor(show ? IconProcessorUsage : IconConnected);
    }
    ReadPeripheralSettings(*Settings_, Services_);
    Flash_->LoadSettings();
    Window_->LoadPlacement();
}

void TVistrandDisplay::StartMainTimer() {
    Timer_->Resume();
}

void TVistrandDisplay::ShowStartupMessages() {
    if (Core_.Switches.StartupMessages.empty() || Core_.Switches.NoBalloon) return;
    ShowBalloonTips(Core_.Switches.StartupMessages, "Keltrix", 16);
    Core_.Switches.StartupMessages.clear();
}

} // namespace keltrix
