#pragma once
// Timer1: the tick that samples (or asks the server), with the short pause around dialogs and
// the pause the user asks for.

#include <QObject>
#include <QTimer>

#include <functional>

namespace keltrix {

class TMainTimer : public QObject {
    Q_OBJECT
public:
    explicit TMainTimer(QObject* parent = nullptr);

    std::function<void()> OnTick; // Timer1Timer

    void Suspend();
    // Restarts the timer unless the user paused updating.
    void Resume();
    int Interval() const { return Interval_; }
    // The interval of "Update &Interval": 0 pauses until a non-zero interval is set.
    void SetUserInterval(int ms);
    // Start-up's interval. A timer that start-up's own dialogs already let run takes it at
    // once (0: it stops until a non-zero interval is set).
    void SetInterval(int ms);
    bool UserSuspended() const { return UserSuspended_; }
    // The suspend hotkey: a running timer pauses for the user, a stopped one runs again at
    // the current interval.
    void ToggleUserSuspend();
    bool Running() const { return Timer1.isActive(); }

private:
    QTimer Timer1;
    int Interval_ = 1000;
    bool UserSuspended_ = false;
};

} // namespace keltrix
