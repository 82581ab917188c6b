#include "app/qt_event_loop.h"

#include <QSocketNotifier>
#include <QTimer>

namespace keltrix {

TQtEventLoop::TQtEventLoop(QObject* parent) : QObject(parent) {}

TQtEventLoop::~TQtEventLoop() {
    while (!Fds_.empty()) UnwatchFd(Fds_.begin()->first);
}

void TQtEventLoop::Retire(QSocketNotifier* n) {
    if (!n) return;
    // It may be the notifier whose signal is running now.
    n->setEnabled(false);
    n->disconnect();
    n->deleteLater();
}

void TQtEventLoop::WatchFd(int fd, unsigned events, TFdHandler handler) {
    UnwatchFd(fd);
    TWatch& w = Fds_[fd];
    w.Handler = std::make_shared<TFdHandler>(std::move(handler));
    w.Read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    w.Write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(w.Read, &QSocketNotifier::activated, this,
            [this, fd, n = w.Read] { Dispatch(fd, n, platform::IoRead); });
    connect(w.Write, &QSocketNotifier::activated, this,
            [this, fd, n = w.Write] { Dispatch(fd, n, platform::IoWrite); });
    SetFdEvents(fd, events);
}

void TQtEventLoop::SetFdEvents(int fd, unsigned events) {
    const auto it = Fds_.find(fd);
    if (it == Fds_.end()) return;
    it->second.Read->setEnabled((events & platform::IoRead) != 0);
    it->second.Write->setEnabled((events & platform::IoWrite) != 0);
}

void TQtEventLoop::UnwatchFd(int fd) {
    const auto it = Fds_.find(fd);
    if (it == Fds_.end()) return;
    Retire(it->second.Read);
    Retire(it->second.Write);
    Fds_.erase(it);
}

void TQtEventLoop::Dispatch(int fd, QSocketNotifier* from, unsigned event) {
    const auto it = Fds_.find(fd);
    if (it == Fds_.end() || (it->second.Read != from && it->second.Write != from)) return;
    const auto handler = it->second.Handler; // survives an unwatch from inside
    (*handler)(event);
}

platform::TEventLoop::TTimerId TQtEventLoop::StartTimer(int intervalMs,
                                                        std::function<void()> tick) {
    const TTimerId id = NextTimer_++;
    auto* timer = new QTimer(this);
    timer->setInterval(std::max(intervalMs, 1));
    connect(timer, &QTimer::timeout, this, std::move(tick));
    Timers_[id] = timer;
    timer->start();
    return id;
}

void TQtEventLoop::StopTimer(TTimerId id) {
    const auto it = Timers_.find(id);
    if (it == Timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    Timers_.erase(it);
}

void TQtEventLoop::Post(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

} // namespace keltrix
