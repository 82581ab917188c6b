#pragma once
// Suspend and resume notices of the machine: logind's PrepareForSleep on the system bus,
// handed on as power broadcast events (PBT_APMSUSPEND before sleep, PBT_APMRESUMESUSPEND after).

#include <QObject>

#include <functional>

namespace keltrix {

class TPowerNotices : public QObject {
    Q_OBJECT
public:
    // onEvent gets each event on the UI thread. Without a system bus or logind nothing comes.
    explicit TPowerNotices(std::function<void(int event)> onEvent, QObject* parent = nullptr);
    bool Watching() const { return Watching_; }

private slots:
    void PrepareForSleep(bool sleeping);

private:
    std::function<void(int)> OnEvent_;
    bool Watching_ = false;
};

} // namespace keltrix
