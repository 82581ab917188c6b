#include "app/main_timer.h"

#include "base/smartlog.h"

namespace keltrix {

TMainTimer::TMainTimer(QObject* parent) : QObject(parent) {
    Timer1.setTimerType(Qt::CoarseTimer);
    connect(&Timer1, &QTimer::timeout, this, [this] {
        if (OnTick) OnTick();
    });
}

void TMainTimer::Suspend() {
    LogAdd("Suspend");
    Timer1.stop();
}

void TMainTimer::Resume() {
    LogAdd("Resume");
    if (UserSuspended_ || Interval_ <= 0) return;
    Timer1.start(Interval_);
}

void TMainTimer::SetUserInterval(int ms) {
    Interval_ = ms;
    if (ms != 0) {
        UserSuspended_ = false;
        Timer1.start(ms);
    } else {
        UserSuspended_ = true;
        Timer1.stop();
    }
}

void TMainTimer::SetInterval(int ms) {
    Interval_ = ms;
    if (!Timer1.isActive()) return;
    if (ms > 0) {
        Timer1.start(ms);
    } else {
        Timer1.stop();
    }
}

void TMainTimer::ToggleUserSuspend() {
    // By what the timer does, not by the flag: a press during a dialog's short pause resumes.
    if (Timer1.isActive()) {
        UserSuspended_ = true;
        Suspend();
    } else {
        UserSuspended_ = false;
        Resume();
    }
}

} // namespace keltrix
