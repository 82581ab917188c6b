#include "app/power_notices.h"

#include "platform/power_status.h"

#include <QDBusConnection>

namespace keltrix {

TPowerNotices::TPowerNotices(std::function<void(int event)> onEvent, QObject* parent)
    : QObject(parent), OnEvent_(std::move(onEvent)) {
    // Only logind's own signal counts: the name's owner is checked, not just the path.
    Watching_ = QDBusConnection::systemBus().connect(
        "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager",
        "PrepareForSleep", this, SLOT(PrepareForSleep(bool)));
}

void TPowerNotices::PrepareForSleep(bool sleeping) {
    if (OnEvent_) OnEvent_(sleeping ? platform::PBT_APMSUSPEND : platform::PBT_APMRESUMESUSPEND);
}

} // namespace keltrix
