// The format editor on "&Display Items", the "Fast Config" submenu and the config set named on
// the command line.
#include "app/dialogs.h"
#include "app/main_timer.h"
#include "app/vistrand_display.h"
#include "base/errors.h"
#include "base/smartlog.h"
#include "display/display_layout.h"
#include "display/window_behaviour.h"
#include "settings/config_sets.h"
#include "settings/vistrand_options.h"

namespace keltrix {

void TVistrandDisplay::CreateConfigSets() {
    TConfigSetsHost host;
    host.Settings = Settings_.get();
    host.Layout = Layout_.get();
    host.Window = Window_.get();
    host.Suspend = [this] { Timer_->Suspend(); };
    host.Resume = [this] { Timer_->Resume(); };
    host.SamplingRunning = [this] { return Timer_->Running(); };
    host.CreateEditor = [this] { return CreateOptionForm(); };
    host.ShowMessage = [this](const std::string& text) { ShowWarning(this, text); };
    ConfigSets_ = std::make_unique<TConfigSets>(std::move(host));
}

std::unique_ptr<TOptionForm> TVistrandDisplay::CreateOptionForm() {
    TOptionFormHost host;
    host.Layout = Layout_.get();
    host.Settings = Settings_.get();
    host.ConfigSets = ConfigSets_.get();
    host.Display = this;
    host.Resume = [this] { Timer_->Resume(); };
    // A client's record comes from its server: nothing to measure here.
    if (!Core_.Switches.ClientMode) host.SampleNow = [this] { GetInfo(true); };
    return std::make_unique<TOptionForm>(std::move(host), QtOptionFormPrompts(this), this);
}

void TVistrandDisplay::DisplayItems1Click() {
    LogAdd("DisplayItems1Click");
    if (OptionForm_) { // already open (the tray menu is not blocked by it)
        OptionForm_->raise();
        OptionForm_->activateWindow();
        return;
    }
    const bool running = Timer_->Running();
    const std::unique_ptr<TOptionForm> form = CreateOptionForm();
    Timer_->Suspend();
    form->LoadPlacement();
    OptionForm_ = form.get();
    form->exec();
    OptionForm_ = nullptr;
    form->StorePlacement();
    if (running && !Exiting_) Timer_->Resume();
}

bool TVistrandDisplay::FormatEditorVisible() const {
    return OptionForm_ && OptionForm_->isVisible();
}

void TVistrandDisplay::PopupMenu1Popup() {
    LogAdd("PopUpMenu1Popup");
    if (ConfigSets_) ConfigSets_->PopupMenu1Popup();
}

void TVistrandDisplay::LoadStartupConfigSet() {
    const std::string& path = Core_.Switches.KcfgFile;
    if (path.empty()) return;
    try {
        ConfigSets_->LoadKCFG(path);
    } catch (const std::exception& e) {
        // Start-up goes on with the look it had.
        ApplicationEvents1Exception(ExceptionClassName(e), e.what());
    }
}

} // namespace keltrix
