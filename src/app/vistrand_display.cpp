#include "app/vistrand_display.h"

#include "app/hotkeys.h"
#include "app/main_timer.h"
#include "app/process_entry.h"
#include "app/qt_event_loop.h"
#include "app/tray_icon.h"
#include "base/errors.h"
#include "base/smartlog.h"
#include "display/display_layout.h"
#include "display/window_behaviour.h"
#include "measure/mbm_link.h"
#include "measure/sampling_cycle.h"
#include "net/link.h"
#include "net/uptimes_client.h"
#include "net/web_publishing.h"
#include "net/web_view.h"
#include "peripherals/scroll_flash.h"
#include "platform/single_instance.h"
#include "settings/config_sets.h"
#include "settings/registry_store.h"
#include "settings/vistrand_options.h"
#include "update/update_check.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMessageBox>

#include <algorithm>
#include <cstdio>

namespace keltrix {

TVistrandDisplay::TVistrandDisplay(std::vector<std::string> args,
                                   std::unique_ptr<TRegistryStore> store)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), Settings_(std::move(store)),
      Core_(*Settings_) {
    FormCreate(args);
}

TVistrandDisplay::~TVistrandDisplay() = default;

void TVistrandDisplay::Timer1Timer() {
    GetInfo(false);
}

void TVistrandDisplay::GetInfo(bool force) {
    if (Core_.Switches.ClientMode) return ClientTick();
    const std::lock_guard<std::recursive_mutex> view(Core_.ViewLock);
    if (Sampling_) Sampling_->GetInfo(force);
}

void TVistrandDisplay::RefreshScreen() {
    const std::lock_guard<std::recursive_mutex> view(Core_.ViewLock);
    if (!Layout_) return;
    try {
        Layout_->RefreshScreen();
    } catch (const std::exception& e) {
        // Each refresh would raise it again: told once per distinct error.
        const std::string told = ExceptionClassName(e) + '\n' + e.what();
        if (std::find(RenderErrorsTold_.begin(), RenderErrorsTold_.end(), told) !=
            RenderErrorsTold_.end())
            return;
        RenderErrorsTold_.push_back(told);
        ApplicationEvents1Exception(ExceptionClassName(e), e.what());
    }
}

void TVistrandDisplay::ReTray() {
    if (Tray_) Tray_->ReTray();
}

void TVistrandDisplay::SaveadvDebugFile1Click() {
    if (SmartLog_) SmartLog_->Save();
}

void TVistrandDisplay::ApplicationEvents1Exception(const std::string& className,
                                                   const std::string& message) {
    if (!ReportsReady_) {
        std::fprintf(stderr, "keltrix: EXCEPTION (%s) --- %s\n", className.c_str(),
                     message.c_str());
        WaitingErrors_.emplace_back(className, message);
        return;
    }
    const std::string entry = "EXCEPTION (" + className + ") --- " + message;
    if (SmartLog_) {
        SmartLog_->Add(entry);
        try {
            SmartLog_->Save();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "keltrix: %s\n", e.what());
        }
    }
    ShowBalloonTips("Keltrix Has Just reported an error\r\n\r\n" + entry, "Oops ... !!!", 3);
}

void TVistrandDisplay::SettingsProblem(const std::string& message) {
    std::fprintf(stderr, "keltrix: %s\n", message.c_str());
    if (!ReportsReady_) {
        WaitingSettingsProblems_.push_back(message);
        return;
    }
    ShowBalloonTips(message, "Settings file", 3);
}

void TVistrandDisplay::ReportWaitingErrors() {
    ReportsReady_ = true;
    std::string problems;
    for (const std::string& problem : WaitingSettingsProblems_)
        problems += (problems.empty() ? "" : "\r\n") + problem;
    WaitingSettingsProblems_.clear();
    if (!problems.empty()) ShowBalloonTips(problems, "Settings file", 3);
    std::vector<std::pair<std::string, std::string>> errors;
    errors.swap(WaitingErrors_);
    for (const auto& [className, message] : errors) ApplicationEvents1Exception(className, message);
}

void TVistrandDisplay::ShowBalloonTips(const std::string& text, const std::string& title,
                                       int kind) {
    if (Tray_) {
        Tray_->ShowBalloonTips(text, title, static_cast<std::uint32_t>(kind));
        return;
    }
    // Errors before the tray icon exists still reach the user.
    LogAdd("ShowBalloonTips ( " + title + " -;- " + text + " )");
    auto* box = new QMessageBox(
        kind == 3 ? QMessageBox::Critical : QMessageBox::Information, QString::fromStdString(title),
        QString::fromStdString(title + "\r\n\r\n" + text).replace("\r\n", "\n"), QMessageBox::Ok,
        this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void TVistrandDisplay::closeEvent(QCloseEvent* event) {
    LogAdd("FormCloseQuery");
    Exit1Click();
    event->accept();
}

void TVistrandDisplay::contextMenuEvent(QContextMenuEvent* event) {
    // The tray icon carries the menu; without a tray host the window must offer it.
    if (Tray_ && Tray_->HasTrayHost()) return;
    if (Tray_) {
        Tray_->OpenMenu(event->globalPos());
    } else {
        PopupMenu1.popup(event->globalPos());
    }
}

} // namespace keltrix
