// The web service and the XML auto-save in the window: what they read and where their menu
// items sit.
#include "app/vistrand_display.h"
#include "display/display_layout.h"
#include "display/window_behaviour.h"
#include "measure/sampling_cycle.h"
#include "net/web_menu.h"
#include "net/web_publishing.h"
#include "net/web_view.h"

namespace keltrix {
namespace {

QMenu* SubMenu(QMenu& menu, const QString& title) {
    for (QAction* a : menu.actions())
        if (a->menu() && a->text() == title) return a->menu();
    // New submenus go before the first separator, with the other submenus.
    QAction* before = nullptr;
    for (QAction* a : menu.actions())
        if (a->isSeparator()) {
            before = a;
            break;
        }
    auto* sub = new QMenu(title, &menu);
    menu.insertMenu(before, sub);
    return sub;
}

} // namespace

void TVistrandDisplay::CreateWebPublishing() {
    // A client's record is replaced by the link; the replacement is one write like a sample.
    Core_.RawData->WriteLock = &Core_.ViewLock;
    TWebViewSource source;
    source.UnderLock = LockWith(Core_.ViewLock);
    source.Record = Core_.RawData.get();
    source.Formatters = &Core_.Formatters;
    source.Captions = [this]() -> const std::vector<std::string>& { return Layout_->Captions(); };
    source.FormatString = [this]() -> const std::string& { return Layout_->FormatString(); };
    source.MountPoints = [this] {
        std::vector<std::pair<char, std::string>> mounts;
        if (Sampling_)
            for (const auto& drive : Sampling_->DriveMap().Drives())
                mounts.emplace_back(drive.Letter, drive.MountPoint);
        return mounts;
    };
    source.Interfaces = [this] {
        return Sampling_ ? Sampling_->Net().SlotNames() : std::vector<std::string>{};
    };
    if (Core_.Switches.ClientMode) {
        const std::string host = Core_.Switches.ClientHost;
        source.ServerHost = [host] { return host; };
    }
    WebView_ = std::make_unique<TWebView>(std::move(source));
    Web_ = std::make_unique<TWebPublishing>(*Settings_, *WebView_);

    TWebMenuHooks hooks;
    hooks.Prompt = [this](const std::function<void()>& body) {
        const TWindowBehaviour::TDialogHold hold(*Window_);
        body();
    };
    hooks.Error = [this](const std::string& cls, const std::string& message) {
        ApplicationEvents1Exception(cls, message);
    };
    WebMenu_ = new TWebMenu(this, *Web_, hooks);
    SubMenu(PopupMenu1, "Networking")->addAction(WebMenu_->ActasWebService1);
    SubMenu(PopupMenu1, "Config")->addAction(WebMenu_->AutoSaveXML1);
    WebMenu_->ReadSettings(Services_);
}

} // namespace keltrix
