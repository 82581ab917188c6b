#pragma once
// The window's realisation of the event loop: descriptors through QSocketNotifier and timers
// through QTimer, so the plain-C++ link runs on the Qt event loop of the UI thread.

#include "platform/event_loop.h"

#include <QObject>

#include <map>
#include <memory>

class QSocketNotifier;
class QTimer;

namespace keltrix {

class TQtEventLoop final : public QObject, public platform::TEventLoop {
    Q_OBJECT
public:
    explicit TQtEventLoop(QObject* parent = nullptr);
    ~TQtEventLoop() override;

    void WatchFd(int fd, unsigned events, TFdHandler handler) override;
    void SetFdEvents(int fd, unsigned events) override;
    void UnwatchFd(int fd) override;
    TTimerId StartTimer(int intervalMs, std::function<void()> tick) override;
    void StopTimer(TTimerId id) override;
    void Post(std::function<void()> call) override;

private:
    struct TWatch {
        QSocketNotifier* Read = nullptr;
        QSocketNotifier* Write = nullptr;
        std::shared_ptr<TFdHandler> Handler;
    };
    void Dispatch(int fd, QSocketNotifier* from, unsigned event);
    static void Retire(QSocketNotifier* n);

    std::map<int, TWatch> Fds_;
    std::map<TTimerId, QTimer*> Timers_;
    TTimerId NextTimer_ = 1;
};

} // namespace keltrix
