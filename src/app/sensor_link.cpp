// The window's side of the hardware-monitor link: results handed to the UI thread, the
// messages it shows, and the machine's suspend and resume notices.
#include "app/dialogs.h"
#include "app/power_notices.h"
#include "app/vistrand_display.h"
#include "display/window_behaviour.h"
#include "display/x11_desktop.h"
#include "measure/mbm_link.h"
#include "measure/sampling_cycle.h"

#include <QMetaObject>

namespace keltrix {

void TVistrandDisplay::CreateSensorLink() {
    TMBMLinkHooks hooks;
    hooks.Post = [this](std::function<void()> job) {
        QMetaObject::invokeMethod(this, std::move(job), Qt::QueuedConnection);
    };
    hooks.ClientMode = [client = Core_.Switches.ClientMode] { return client; };
    hooks.MonitorWindowExists = [] { return x11::WindowExists("TMBM", "MBM"); };
    hooks.MonitorRunning = [this](const std::string& message) {
        const TWindowBehaviour::TDialogHold hold(*Window_);
        ShowInformation(this, message);
    };
    hooks.Balloon = [this](const std::string& text, const std::string& title) {
        ShowBalloonTips(text, title, 3);
    };
    MBMLink_ = std::make_unique<TMBMLink>(std::move(hooks));
    Sampling_->SensorBlock = [this](TRawData& data) { MBMLink_->SensorBlock(data); };
    PowerNotices_ = new TPowerNotices([this](int event) { PowerMsg(event); }, this);
}

void TVistrandDisplay::PowerMsg(int event) {
    if (MBMLink_) MBMLink_->PowerMsg(event);
}

void TVistrandDisplay::StopSensorLink() {
    if (MBMLink_) MBMLink_->Stop();
}

} // namespace keltrix
