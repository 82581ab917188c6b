// The record link in the window: "Act as &Server", start-up of both roles, the tray states.
#include "app/dialogs.h"
#include "app/qt_event_loop.h"
#include "app/tray_icon.h"
#include "app/vistrand_display.h"
#include "base/application_title.h"
#include "base/smartlog.h"
#include "display/window_behaviour.h"
#include "net/link.h"
#include "settings/registry_store.h"

#include <QApplication>
#include <QMessageBox>

#include <charconv>

namespace keltrix {
namespace {

// A decimal integer, blanks around it allowed; the fallback when the text is not one.
std::int32_t DecimalOr(const std::string& text, std::int32_t fallback) {
    const std::size_t a = text.find_first_not_of(" \t");
    if (a == std::string::npos) return fallback;
    const std::size_t b = text.find_last_not_of(" \t");
    const char* first = text.data() + a;
    const char* last = text.data() + b + 1;
    if (*first == '+') ++first;
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    return ec == std::errc() && end == last ? value : fallback;
}

} // namespace

void TVistrandDisplay::BuildNetworkingMenu() {
    ActasServer1 = Networking1->addAction("Act as &Server");
    ActasServer1->setCheckable(true);
    connect(ActasServer1, &QAction::triggered, this, &TVistrandDisplay::ActasServer1Click);
    BuildUptimesMenuItem();
}

void TVistrandDisplay::StartNetLink() {
    EventLoop_ = std::make_unique<TQtEventLoop>();
    Link_ = std::make_unique<TNetLink>(*Settings_, *Core_.RawData, *EventLoop_);
    Link_->Hooks.SetIconKind = [this](std::uint8_t kind) {
        if (Tray_) Tray_->SetIconColor(kind);
    };
    Link_->Hooks.ProcessorUsageInIcon = [this] {
        return Tray_ && Tray_->DisplayProcessorUsageinIcon1->isChecked();
    };
    const TStartupSwitches& sw = Core_.Switches;
    if (sw.ClientMode) Link_->StartClient(sw.ClientHost, sw.ClientPort, sw.ClientPassword);
}

void TVistrandDisplay::StartStoredServer() {
    Link_->SetServerPort(Services_.ServPort);
    // A client serves only when asked through the menu.
    if (Core_.Switches.ClientMode || !Services_.Server) return;
    ActasServer1->setChecked(true);
    try {
        Link_->servListen(Services_.ServPort);
    } catch (const std::exception& e) {
        // The item stays checked, as the user stored it; the error says why nothing serves.
        ApplicationEvents1Exception(ExceptionClassName(e), e.what());
    }
}

void TVistrandDisplay::ClientTick() {
    if (Link_) Link_->ClientTick();
}

void TVistrandDisplay::CloseNetLink() {
    if (!Link_) return;
    Link_->CloseServer();
    Link_->Client().Close();
}

void TVistrandDisplay::ActasServer1Click() {
    LogAdd("ActAsServer");
    const TWindowBehaviour::TDialogHold hold(*Window_); // the timer resumes on every way out
    // The action has toggled its own check already.
    if (!ActasServer1->isChecked()) {
        Link_->CloseServer();
        Settings_->WriteBool("Server", false);
        return;
    }
    const auto portText =
        InputBox(this, "Server Port", "Only display items extant at both sides will appear",
                 std::to_string(Link_->ServerPort()));
    if (!portText) {
        ActasServer1->setChecked(false);
        Link_->CloseServer();
        return;
    }
    if (Settings_->ValueExists("Password")) Link_->Password = Settings_->ReadString("Password");
    const auto password =
        InputBox(this, "Server Password", "Enter a string to encrypt the data, or blank for none",
                 Link_->Password);
    Link_->Password = password ? *password : std::string();
    if (Link_->Password.empty()) {
        Settings_->DeleteValue("Password");
    } else {
        const auto answer = QMessageBox::question(
            this, QString::fromUtf8(ApplicationTitle),
            "Would you like to save this password for future use?",
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
        if (answer == QMessageBox::Yes) {
            Settings_->WriteString("Password", Link_->Password);
        } else if (answer == QMessageBox::No) {
            Settings_->DeleteValue("Password");
        } else {
            ActasServer1->setChecked(false);
            Link_->CloseServer();
            return;
        }
    }
    const std::int32_t port = DecimalOr(*portText, Link_->ServerPort());
    Link_->CloseServer();
    Link_->servListen(port); // a port that cannot be had reaches the general error handler
    Settings_->WriteInteger("ServPort", port);
    Settings_->WriteBool("Server", true);
}

} // namespace keltrix
