// Talking to the outside from the window: the uptime report ("Networking" › "Act as Uptimes
// Client") and the update check ("Internet" › "Update"), their start-up and their commands.
#include "app/dialogs.h"
#include "app/main_timer.h"
#include "app/qt_event_loop.h"
#include "app/tray_icon.h"
#include "app/vistrand_display.h"
#include "base/application_title.h"
#include "base/smartlog.h"
#include "display/window_behaviour.h"
#include "measure/sampling_cycle.h"
#include "net/uptimes_client.h"
#include "platform/paths.h"
#include "platform/shell.h"
#include "platform/system_info.h"
#include "settings/registry_store.h"
#include "tags/utp_format.h"
#include "update/update_check.h"
#include "update/updatesettings.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace keltrix {

void TVistrandDisplay::BuildUptimesMenuItem() {
    ActUptimesClient1 = Networking1->addAction("Act as Uptimes Client");
    ActUptimesClient1->setCheckable(true);
    ActUptimesClient1->setEnabled(false); // until start-up knows this is no client
    connect(ActUptimesClient1, &QAction::triggered, this, &TVistrandDisplay::ActUptimesClientClick);
}

void TVistrandDisplay::BuildInternetMenu() {
    QMenu* update = PopupMenu1.addMenu("Internet")->addMenu("Update");
    connect(update->addAction("Check For Update..."), &QAction::triggered, this,
            &TVistrandDisplay::CheckForUpdate1Click);
    update->addSeparator();
    connect(update->addAction("Update Settings"), &QAction::triggered, this,
            &TVistrandDisplay::UpdateSettings1Click);
}

void TVistrandDisplay::StartUptimes() {
    std::uint32_t version = 0;
    if (const platform::TResult r = platform::GetVersion(version); !r)
        std::fprintf(stderr, "keltrix: the uptime report's oslevel: %s\n", r.Reason.c_str());
    Uptimes_ =
        std::make_unique<TUptimesClient>(*EventLoop_, *Settings_, version, platform::GetOsName());
    Uptimes_->Hooks.Warning = [this](const std::string& text) { ShowWarning(this, text); };
    Uptimes_->Hooks.InputBox = [this](const std::string& title, const std::string& prompt,
                                      const std::string& value) {
        return InputBox(this, title, prompt, value);
    };
    Uptimes_->Hooks.Measure = [this](std::int64_t& uptime, float& usage) {
        TRawData& data = RawData().Data();
        // The report sends the machine's uptime even when no uptime tag is shown.
        const auto* utp = [this]() -> const TFormatter* {
            for (const auto& f : Core_.Formatters)
                if (dynamic_cast<const TUTPFormat*>(f.get())) return f.get();
            return nullptr;
        }();
        if (Sampling_ && utp && !utp->Active) {
            try {
                Sampling_->Perf().UptimeBlock(data);
            } catch (const std::exception& e) {
                std::fprintf(stderr, "keltrix: uptime for the report: %s\n", e.what());
            }
        }
        uptime = data.Uptime;
        usage = data.ProcUsage[0];
    };
    Uptimes_->Hooks.OnError = [this](const std::string& why) {
        std::fprintf(stderr, "keltrix: uptime report: %s\n", why.c_str());
        if (Tray_) Tray_->SetIconColor(IconDisconnected);
    };
    Uptimes_->Startup(Core_.Switches.ClientMode, Services_.ActUptimesClient,
                      Services_.UptimesInterval);
    ActUptimesClient1->setChecked(Uptimes_->Checked());
    ActUptimesClient1->setEnabled(Uptimes_->Enabled());
}

void TVistrandDisplay::ActUptimesClientClick() {
    // The action toggled its own check; the command decides what it shows.
    ActUptimesClient1->setChecked(Uptimes_->Checked());
    {
        const TWindowBehaviour::TDialogHold hold(*Window_);
        Uptimes_->ActUptimesClientClick(Core_.Switches.ClientMode);
    }
    ActUptimesClient1->setChecked(Uptimes_->Checked());
}

void TVistrandDisplay::StartUpdates() {
    Update_ = std::make_unique<TUpdateCheck>(*EventLoop_, *Settings_,
                                             platform::DataDir() + "/update.col");
    // Held from the moment the file is in until the last question is answered.
    auto hold = std::make_shared<std::unique_ptr<TWindowBehaviour::TDialogHold>>();
    Update_->Hooks.BeginPrompt = [this, hold] {
        *hold = std::make_unique<TWindowBehaviour::TDialogHold>(*Window_);
    };
    Update_->Hooks.EndPrompt = [hold] { hold->reset(); };
    Update_->Hooks.AskYesNo = [this](const std::string& text) {
        return QMessageBox::information(this, QString::fromUtf8(ApplicationTitle),
                                        QString::fromStdString(text).replace("\r\n", "\n"),
                                        QMessageBox::Yes | QMessageBox::No,
                                        QMessageBox::Yes) == QMessageBox::Yes;
    };
    Update_->Hooks.Inform = [this](const std::string& text) { ShowInformation(this, text); };
    Update_->Hooks.OpenPage = [](const std::string& page, std::string& error) {
        return platform::ShellOpen(page, "", "", &error);
    };
    Update_->Hooks.Note = [](const std::string& text) {
        std::fprintf(stderr, "keltrix: %s\n", text.c_str());
    };
    Update_->Startup(Services_.AutoUpdate, Services_.UpdateAtStartup, Services_.UpdatePollDays,
                     Core_.Switches.NoUpdate);
}

void TVistrandDisplay::CheckForUpdate1Click() {
    Update_->CheckForUpdate1Click();
}

void TVistrandDisplay::UpdateSettings1Click() {
    LogAdd("UpdateSettings1Click");
    if (!Timer_->Running()) return; // the display is paused
    Tupddlg dialog(this);
    const TWindowBehaviour::TDialogHold hold(*Window_);
    dialog.Fill(Update_->UpdateEnabled, Update_->CheckAtStartup, Update_->PollDays());
    if (dialog.exec() != QDialog::Accepted) return;
    Update_->Apply(dialog.UpdateEnabled(), dialog.CheckAtStartup(), dialog.PollDays().value_or(0));
}

void TVistrandDisplay::StopOutside() {
    // Stopped, not released: the exit may come from inside one of their questions.
    if (Uptimes_) Uptimes_->Stop();
    if (Update_) Update_->Stop();
}

} // namespace keltrix
