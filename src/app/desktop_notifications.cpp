#include "app/desktop_notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QStringList>

#include <utility>

namespace keltrix {
namespace {

const QString NotificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString NotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString BusService = QStringLiteral("org.freedesktop.DBus");
const QString BusPath = QStringLiteral("/org/freedesktop/DBus");
// A question the bus does not answer in this time counts as "no".
constexpr int QuestionTimeoutMs = 5000;

bool IsError(const QDBusMessage& reply) {
    return reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty();
}

} // namespace

QString NotificationIcon(std::uint32_t balloonKind) {
    switch (balloonKind & 0x0F) {
    case 1:
        return QStringLiteral("dialog-information");
    case 2:
        return QStringLiteral("dialog-warning");
    case 3:
        return QStringLiteral("dialog-error");
    default:
        return QStringLiteral("keltrix");
    }
}

QString NotificationBody(const QString& text, bool daemonReadsMarkup) {
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return daemonReadsMarkup ? body.toHtmlEscaped() : body;
}

TDesktopNotifications::TDesktopNotifications(QObject* parent)
    : QObject(parent), Bus_(QDBusConnection::sessionBus()) {
    if (!Bus_.isConnected()) {
        // No session bus: nothing to wait for, nothing there.
        DaemonKnown_ = HostKnown_ = true;
        return;
    }
    auto* watcher = new QDBusServiceWatcher(this);
    watcher->setConnection(Bus_);
    watcher->setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    watcher->setWatchedServices({NotificationsService, WatcherService});
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString& service, const QString&, const QString&) {
                if (service == NotificationsService) {
                    LastId_ = 0; // a new daemon knows nothing of the old one's notifications
                    AskDaemon();
                } else {
                    AskHost();
                }
            });
    Bus_.connect(WatcherService, WatcherPath, WatcherService,
                 QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(HostRegistered()));
    Bus_.connect(WatcherService, WatcherPath, WatcherService,
                 QStringLiteral("StatusNotifierHostUnregistered"), this, SLOT(HostUnregistered()));
    AskDaemon();
    AskHost();
}

void TDesktopNotifications::Call(const QString& service, const QString& path,
                                 const QString& interface, const QString& method,
                                 const QVariantList& args,
                                 std::function<void(const QDBusMessage&)> done) {
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    auto* call = new QDBusPendingCallWatcher(Bus_.asyncCall(message, QuestionTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [call, done = std::move(done)](QDBusPendingCallWatcher*) {
                done(call->reply());
                call->deleteLater();
            });
}

void TDesktopNotifications::AskDaemon() {
    Call(BusService, BusPath, BusService, QStringLiteral("NameHasOwner"), {NotificationsService},
         [this](const QDBusMessage& owned) {
             if (!IsError(owned) && owned.arguments().front().toBool()) {
                 Daemon_ = DaemonKnown_ = true;
                 AskCapabilities();
                 emit Changed();
                 return;
             }
             // Many daemons are started by the bus on the first notification.
             Call(BusService, BusPath, BusService, QStringLiteral("ListActivatableNames"), {},
                  [this](const QDBusMessage& names) {
                      Daemon_ =
                          !IsError(names) &&
                          names.arguments().front().toStringList().contains(NotificationsService);
                      DaemonKnown_ = true;
                      emit Changed();
                  });
         });
}

void TDesktopNotifications::AskCapabilities() {
    Call(NotificationsService, NotificationsPath, NotificationsService,
         QStringLiteral("GetCapabilities"), {}, [this](const QDBusMessage& reply) {
             Markup_ = !IsError(reply) && reply.arguments().front().toStringList().contains(
                                              QStringLiteral("body-markup"));
         });
}

void TDesktopNotifications::AskHost() {
    Call(BusService, BusPath, BusService, QStringLiteral("NameHasOwner"), {WatcherService},
         [this](const QDBusMessage& owned) {
             if (IsError(owned) || !owned.arguments().front().toBool()) {
                 Host_ = false;
                 HostKnown_ = true;
                 emit Changed();
                 return;
             }
             Call(WatcherService, WatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                  QStringLiteral("Get"),
                  {WatcherService, QStringLiteral("IsStatusNotifierHostRegistered")},
                  [this](const QDBusMessage& reply) {
                      Host_ = !IsError(reply) &&
                              reply.arguments().front().value<QDBusVariant>().variant().toBool();
                      HostKnown_ = true;
                      emit Changed();
                  });
         });
}

void TDesktopNotifications::HostRegistered() {
    Host_ = HostKnown_ = true;
    emit Changed();
}

void TDesktopNotifications::HostUnregistered() {
    AskHost(); // another host may still be there
}

void TDesktopNotifications::Notify(const QString& title, const QString& text,
                                   std::uint32_t balloonKind, int timeoutMs,
                                   std::function<void()> failed) {
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("keltrix"));
    // Start-up notes are low, error reports normal: neither should stay until dismissed.
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<uchar>((balloonKind & 0x0F) == 0 ? 0 : 1));
    const QVariantList args{QStringLiteral("Keltrix"),
                            QVariant::fromValue<uint>(LastId_),
                            NotificationIcon(balloonKind),
                            title,
                            NotificationBody(text, Markup_),
                            QStringList(),
                            hints,
                            timeoutMs};
    Call(NotificationsService, NotificationsPath, NotificationsService, QStringLiteral("Notify"),
         args, [this, failed = std::move(failed)](const QDBusMessage& reply) {
             if (IsError(reply)) {
                 if (failed) failed();
                 return;
             }
             LastId_ = reply.arguments().front().toUInt();
         });
}

} // namespace keltrix
