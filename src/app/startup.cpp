// Start-up: the creation of the main window, step by step in its fixed order.
#include "app/dialogs.h"
#include "app/main_timer.h"
#include "app/process_entry.h"
#include "app/smartlog.h"
#include "app/tray_icon.h"
#include "app/vistrand_display.h"
#include "measure/sampling_cycle.h"
#include "platform/exit_signals.h"
#include "platform/paths.h"
#include "platform/single_instance.h"
#include "settings/registry_store.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QVBoxLayout>

#include <cstdio>

namespace keltrix {

void TVistrandDisplay::FormCreate(const std::vector<std::string>& args) {
    setWindowTitle(QString::fromUtf8(ApplicationTitle));
    setAttribute(Qt::WA_ShowWithoutActivating);
    move(717, 400); // the designed place, stored on a first start
    auto* lines = new QVBoxLayout(this);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    Timer_ = std::make_unique<TMainTimer>(this);
    Timer_->OnTick = [this] { Timer1Timer(); };

    Core_.OpenSettingsAndSwitches(args);
    if (Core_.Switches.AdvancedLog) SetUpAdvancedLog();
    for (const std::string& error : Core_.StartupErrors) ShowWarning(this, error);
    BuildMenu();
    WatchSecondStarts();
    Core_.OpenClientKey();

    ReadWindowSettings();
    ReadFontSettings();
    ReadPosition();
    Core_.ReadUptimeFormatAndExclusions();
    ReadServiceSettings();

    Core_.CreateRecordAndFormatters();
    Core_.RawData->OnData = [this](TRawDataShell&) { RefreshScreen(); };
    CreateTrayIcon();
    if (!Core_.Switches.ClientMode) CreateSamplingCycle(); // a client shows a server's record
    Core_.ReadFormatString();
    ReadLateSettings();

    for (auto& f : Core_.Formatters) f->DecideIfActive(Core_.FormatString);
    GetInfo(true);
    if (Exiting_) return; // the first sample failed and ended the program
    show();
    Timer_->SetInterval(Core_.ReadInterval());
    ApplyStoredPosition();
    StartMainTimer();
    Tray_->SetIconColor(Tray_->IconKind());
    Tray_->WatchTaskBar();
    WatchExitSignals();
    ShowStartupMessages();
    if (const std::string problem = Settings_->LoadError(); !problem.empty())
        ShowBalloonTips(problem + "\r\nKeltrix runs on its defaults and saves nothing until the "
                                  "file is repaired.",
                        "Settings file", 3);
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

void TVistrandDisplay::ReadWindowSettings() {}

void TVistrandDisplay::ReadFontSettings() {
    if (Settings_->ValueExists("FontName")) return;
    Settings_->WriteString("FontName", "MS Sans Serif");
    Settings_->WriteInteger("FontColor", 32768);
    Settings_->WriteInteger("FontSize", 8);
    Settings_->WriteInteger("FontPitch", 0);
    const std::uint8_t style = 0;
    Settings_->WriteBinaryData("FontStyle", &style, 1);
}

void TVistrandDisplay::ReadPosition() {
    if (!Settings_->ValueExists("X")) Settings_->WriteInteger("X", pos().x());
    if (!Settings_->ValueExists("Y")) Settings_->WriteInteger("Y", pos().y());
    ApplyStoredPosition();
}

void TVistrandDisplay::ApplyStoredPosition() {
    const int x = Settings_->ValueExists("X") ? Settings_->ReadInteger("X") : pos().x();
    const int y = Settings_->ValueExists("Y") ? Settings_->ReadInteger("Y") : pos().y();
    move(x, y);
}

void TVistrandDisplay::ReadServiceSettings() {
    if (Settings_->ValueExists("OfNoConfirm")) Bypass_ = Settings_->ReadBool("OfNoConfirm");
    Bypassconfirm1->setChecked(Bypass_);
}

void TVistrandDisplay::CreateSamplingCycle() {
    Sampling_ = std::make_unique<TSamplingCycle>(*Core_.RawData, Core_.Formatters);
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
}

void TVistrandDisplay::CreateTrayIcon() {
    TProcFormat* proc = nullptr;
    for (auto& f : Core_.Formatters)
        if (auto* p = dynamic_cast<TProcFormat*>(f.get())) proc = p;
    TTrayIconOptions options;
    options.InstanceId = Core_.Switches.InstanceId;
    options.NoBalloon = Core_.Switches.NoBalloon;
    options.ClientMode = [this] { return Core_.Switches.ClientMode; };
    options.AlwaysOnTop = [this] { return (windowFlags() & Qt::WindowStaysOnTopHint) != 0; };
    options.Menu = &PopupMenu1;
    Tray_ = std::make_unique<TTrayIcon>(*Settings_, this, proc, *Core_.RawData, options, this);
    QAction* before = Layout1->actions().isEmpty() ? nullptr : Layout1->actions().first();
    Layout1->insertAction(before, Tray_->DisplayProcessorUsageinIcon1);
    Layout1->insertAction(before, Tray_->HideIcon1);
    Layout1->insertAction(before, Tray_->UseRQIcons1);
    Layout1->insertSeparator(before);
    if (Settings_->ValueExists("RQIcons"))
        Tray_->UseRQIcons1->setChecked(Settings_->ReadBool("RQIcons"));
    if (!Core_.Switches.HideTrayIcon) Tray_->Add();
}

void TVistrandDisplay::ReadLateSettings() {
    if (Settings_->ValueExists("DisplayProcInTray")) {
        const bool show = Settings_->ReadBool("DisplayProcInTray");
        Tray_->DisplayProcessorUsageinIcon1->setChecked(show);
        Tray_->SetIconColor(show ? IconProcessorUsage : IconConnected);
    }
}

void TVistrandDisplay::StartMainTimer() { Timer_->Resume(); }

void TVistrandDisplay::ShowStartupMessages() {
    if (Core_.Switches.StartupMessages.empty() || Core_.Switches.NoBalloon) return;
    ShowBalloonTips(Core_.Switches.StartupMessages, "Keltrix", 16);
    Core_.Switches.StartupMessages.clear();
}

} // namespace keltrix
