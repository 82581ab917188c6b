#pragma once
// The desktop's own notifications (org.freedesktop.Notifications) for the balloons, and
// whether a StatusNotifierItem host is there, both learnt from the session bus without ever
// waiting for it: every question is asked asynchronously and the answers arrive as signals.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <functional>

class QDBusPendingCallWatcher;

namespace keltrix {

// The icon name a notification of a balloon kind (1 info, 2 warning, 3 error, 16 none) shows.
QString NotificationIcon(std::uint32_t balloonKind);
// The body as the daemon wants it: CR LF as line breaks, markup characters escaped when the
// daemon reads markup.
QString NotificationBody(const QString& text, bool daemonReadsMarkup);

class TDesktopNotifications : public QObject {
    Q_OBJECT
public:
    explicit TDesktopNotifications(QObject* parent = nullptr);

    // False until the bus has answered the first questions (or there is no bus).
    bool Known() const { return DaemonKnown_ && HostKnown_; }
    // A notification daemon owns the name, or the bus starts one on the first call.
    bool DaemonPresent() const { return Daemon_; }
    // A StatusNotifierItem host is registered with the watcher.
    bool StatusNotifierHost() const { return Host_; }

    // Shows title and text, replacing the previous notification of this program; failed runs
    // on the UI thread when the daemon does not take it.
    void Notify(const QString& title, const QString& text, std::uint32_t balloonKind, int timeoutMs,
                std::function<void()> failed);

signals:
    void Changed();

private slots:
    void HostRegistered();
    void HostUnregistered();

private:
    void AskDaemon();
    void AskHost();
    void AskCapabilities();
    // Runs done with the reply of an asynchronous call, or with an error.
    void Call(const QString& service, const QString& path, const QString& interface,
              const QString& method, const QVariantList& args,
              std::function<void(const QDBusMessage&)> done);

    QDBusConnection Bus_;
    bool DaemonKnown_ = false;
    bool HostKnown_ = false;
    bool Daemon_ = false;
    bool Host_ = false;
    bool Markup_ = false;
    uint LastId_ = 0;
};

} // namespace keltrix
