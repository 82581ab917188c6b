// The pop-up menu and the commands of the main timer, the settings and the exclusion list.
#include "app/dialogs.h"
#include "app/hotkeys.h"
#include "app/main_timer.h"
#include "app/vistrand_display.h"
#include "base/application_title.h"
#include "base/errors.h"
#include "base/smartlog.h"
#include "display/layout_text.h"
#include "display/window_behaviour.h"
#include "measure/sampling_cycle.h"
#include "peripherals/scroll_flash.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "settings/registry_store.h"
#include "settings/settings_key.h"
#include "settings/uptime_stats.h"
#include "tags/duration_format.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace keltrix {
template <class F> auto TVistrandDisplay::Prompt(F&& body) {
    const TWindowBehaviour::TDialogHold hold(*Window_);
    return body();
}

void TVistrandDisplay::BuildMenu() {
    // However it opens: from the tray icon or from the window.
    connect(&PopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });
    connect(PopupMenu1.addAction("&Display Items"), &QAction::triggered, this,
            &TVistrandDisplay::DisplayItems1Click);
    PopupMenu1.addSeparator();
    Layout1 = PopupMenu1.addMenu("Layout");
    Networking1 = PopupMenu1.addMenu("Networking");
    BuildNetworkingMenu();
    QMenu* stats = PopupMenu1.addMenu("Uptime Stats");
    UptimeStats1 = stats->menuAction();
    UptimeStats1->setVisible(Core_.Switches.ShowStats);
    connect(stats->addAction("Average &Uptime"), &QAction::triggered, this,
            &TVistrandDisplay::AverageUptime1Click);
    connect(stats->addAction("&Longest Uptime"), &QAction::triggered, this,
            &TVistrandDisplay::LongestUptime1Click);

    QMenu* config = PopupMenu1.addMenu("Config");
    Bypassconfirm1 = config->addAction("Bypass confirm");
    Bypassconfirm1->setCheckable(true);
    connect(Bypassconfirm1, &QAction::triggered, this, &TVistrandDisplay::Bypassconfirm1Click);
    connect(config->addAction("Edit Startup Parameter"), &QAction::triggered, this,
            &TVistrandDisplay::EditStartupParameter1Click);
    connect(config->addAction("&Exclude Process from Percentage"), &QAction::triggered, this,
            &TVistrandDisplay::ExcludeProcessfromPercentage1Click);
    config->addAction(Flash_->Flashkeyboardlights1);
    WipeRegistrySettings1 = config->addAction("Reset to Default Settings (Requires Restart)");
    WipeRegistrySettings1->setCheckable(true);
    connect(WipeRegistrySettings1, &QAction::triggered, this,
            &TVistrandDisplay::WipeRegistrySettings1Click);
    config->addAction(HotKeys_->SetIconHotKey1);
    config->addAction(HotKeys_->SetSuspendHotKey1);
    connect(config->addAction("Update &Interval"), &QAction::triggered, this,
            &TVistrandDisplay::UpdateInterval1Click);

    PopupMenu1.addSeparator();
    FastConfig1 = PopupMenu1.addMenu("Fast Config");
    PopupMenu1.addSeparator();
    BuildInternetMenu();
    PopupMenu1.addSeparator();
    SaveadvDebugFile1 = PopupMenu1.addAction("Save SmartLog File");
    SaveadvDebugFile1->setVisible(SmartLog_ != nullptr);
    if (SmartLog_) PopupMenu1.setDefaultAction(SaveadvDebugFile1);
    connect(SaveadvDebugFile1, &QAction::triggered, this,
            &TVistrandDisplay::SaveadvDebugFile1Click);
    Help1 = PopupMenu1.addAction("Help");
    Help1->setVisible(HelpFileExists());
    connect(Help1, &QAction::triggered, this, &TVistrandDisplay::Help1Click);
    connect(PopupMenu1.addAction("A&bout"), &QAction::triggered, this,
            &TVistrandDisplay::About1Click);
    connect(PopupMenu1.addAction("E&xit"), &QAction::triggered, this,
            &TVistrandDisplay::Exit1Click);
}

static std::string HelpFile() {
    return platform::ShippedDir() + "/Keltrix.chm";
}

bool TVistrandDisplay::HelpFileExists() {
    std::ifstream in(HelpFile());
    return in.good();
}

void TVistrandDisplay::Help1Click() {
    LogAdd("Help1Click");
    std::string error;
    if (!platform::ShellOpen(HelpFile(), "", "", &error)) throw EInOutError(error);
}

void TVistrandDisplay::About1Click() {
    LogAdd("About1Click");
    Prompt([&] {
        QMessageBox::about(this, "About Keltrix",
                           QStringLiteral("Keltrix %1 (%2)\n\nA desktop system monitor.")
                               .arg(KELTRIX_VERSION_TEXT)
                               .arg(KeltrixVersion));
    });
}

void TVistrandDisplay::UpdateInterval1Click() {
    LogAdd("UpdateInterval1Click");
    Prompt([&] {
        const auto answer =
            InputBox(this, "Update Interval", "Interval in milliseconds - Enter 0 to suspend",
                     std::to_string(Timer_->Interval()));
        const std::string text = answer ? TrimBlanks(*answer) : std::string();
        if (!answer || !IsNum(text)) return;
        const std::int32_t ms = StrToInt(text); // digits only, but maybe beyond 32 bits
        Timer_->SetUserInterval(ms);
        Settings_->WriteInteger("Interval", ms);
    });
}

void TVistrandDisplay::LongestUptime1Click() {
    LogAdd("LongestUptime1Click");
    Prompt([&] {
        const std::int64_t longest = UpdateLongestUptime(*Settings_, CurrentUptime());
        ShowInformation(this, "Longest Uptime for this system is:\r\n" +
                                  FormatDuration(Core_.UptimeFormat, false, longest));
    });
}

void TVistrandDisplay::AverageUptime1Click() {
    LogAdd("AverageUptime1Click");
    Prompt([&] {
        const std::int64_t average = AverageUptime(*Settings_, CurrentUptime());
        ShowInformation(this,
                        "Average Uptime:\r\n" + FormatDuration(Core_.UptimeFormat, false, average));
    });
}

void TVistrandDisplay::WipeRegistrySettings1Click() {
    LogAdd("WipeRegistrySettings1Click");
    // The action toggled its own check already; the question decides whether that stands.
    const bool wanted = WipeRegistrySettings1->isChecked();
    WipeRegistrySettings1->setChecked(!wanted);
    const auto answer = Prompt([&] {
        return AskBypassable(this, Bypass_, TQuestionKind::Warning,
                             "This will reset you configuration when the program is "
                             "restarted\r\nContinue ?");
    });
    if (answer == QMessageBox::Yes) WipeRegistrySettings1->setChecked(wanted);
}

void TVistrandDisplay::Bypassconfirm1Click() {
    LogAdd("ByPassConfirm1Click");
    Bypass_ = Bypassconfirm1->isChecked();
    Settings_->WriteBool("OfNoConfirm", Bypass_);
}

void TVistrandDisplay::EditStartupParameter1Click() {
    LogAdd("EditStartUpParameter1Click");
    Prompt([&] {
        // The parameters live in the base key, also in client mode.
        TRegistryStore base(Settings_->FileName());
        base.OpenKey(SettingsKeyPath, true);
        const std::string current =
            base.ValueExists("ParameterLine") ? base.ReadString("ParameterLine") : "";
        if (const auto text = InputBox(this, "Edit Startup Parameters", "Parameters", current))
            base.WriteString("ParameterLine", *text);
    });
}

void TVistrandDisplay::ExcludeProcessfromPercentage1Click() {
    LogAdd("Exclude Process From Percentage 1 Click");
    Prompt([&] {
        const std::string current =
            Settings_->ValueExists("Exclude") ? Settings_->ReadString("Exclude") : "";
        const auto text =
            InputBox(this, "Comma-separated processes to exclude from percentage counter",
                     "Leave blank to remove exclusion", current);
        if (!text) return;
        Settings_->WriteString("Exclude", *text);
        Core_.Exclude = *text;
        LogAdd("SetExclude");
        Sampling_->SetExclude(*text);
    });
}

void TVistrandDisplay::SamplingFailed(const std::string& className, const std::string& message,
                                      const std::vector<std::string>& bugReport) {
    (void)className;
    (void)message;
    Timer_->Suspend();
    if (Core_.Switches.DebugMode &&
        QMessageBox::warning(this, QString::fromUtf8(ApplicationTitle),
                             "Looks like a crash is going down. Would you like to save the data "
                             "to a file which you can submit to aid the debug process?",
                             QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
        const QString name = QFileDialog::getSaveFileName(
            this, "Choose Data Dump File Name", QString::fromStdString(platform::DataDir()),
            "Dump Files (*.dmp)");
        if (!name.isEmpty()) {
            std::string path = name.toStdString();
            if (path.size() < 4 || path.substr(path.size() - 4) != ".dmp") path += ".dmp";
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            for (const std::string& line : bugReport) out << line << "\r\n";
            if (!out) ShowWarning(this, "Cannot write " + path + ": " + std::strerror(errno));
        }
    }
    if (QMessageBox::warning(
            this, QString::fromUtf8(ApplicationTitle),
            "Your computer just reported an access violation when trying to read the "
            "performance counters. This is typically caused by the performance counters being "
            "disabled, and often affects the network stats in particular. To fix this problem, "
            "you will need to download extctrlst.exe from Microsoft's website, locate the "
            "disabled counter, and click the check-box to re-enable it. Keltrix will close itself "
            "now. Would you like to be directed to the Microsoft website in question?",
            QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
        std::string error;
        platform::ShellOpen("https://learn.microsoft.com/en-us/troubleshoot/windows-server/"
                            "performance/manually-rebuild-performance-counters",
                            "", "", &error);
    }
    Exit1Click();
}

} // namespace keltrix
