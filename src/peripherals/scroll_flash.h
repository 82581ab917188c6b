#pragma once
// The Scroll Lock light as a network lamp: while data flows it blinks once per period of
// FlashTimer, for longer the more data flows.

#include "platform/keyboard_lights.h"

#include <QObject>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

class QAction;

namespace keltrix {

class TRegistryStore;

struct TScrollFlashHooks {
    std::function<void()> Suspend; // the main timer, around the prompts
    std::function<void()> Resume;
    std::function<void(const std::string& title, const std::string& text)> Warning;
    std::function<std::optional<std::string>(const std::string& title, const std::string& prompt,
                                             const std::string& value)>
        InputBox;
    // NetRead[0] and NetWrite[0] of the current record, KB/s.
    std::function<std::pair<float, float>()> Rates;
};

class TScrollLockFlash : public QObject {
    Q_OBJECT
public:
    TScrollLockFlash(TRegistryStore& settings, TScrollFlashHooks hooks, QObject* parent = nullptr);
    ~TScrollLockFlash() override;

    // Start-up: the stored state, then the stored period.
    void LoadSettings();
    // The check mark and the timer; switching off also turns the light off.
    void SetFlash(bool on);
    // key: 0 Caps Lock, 1 Num Lock, 2 Scroll Lock.
    void SetLedState(int key, bool on);
    // The exit: a lamp that was flashing is left dark.
    void SwitchOffAtExit();

    QAction* Flashkeyboardlights1 = nullptr;
    QTimer FlashTimer;

public slots:
    void Flashkeyboardlights1Click();
    void FlashTimerTimer();

private:
    void SetPeriod(int ms);

    TRegistryStore& Settings_;
    TScrollFlashHooks Hooks_;
    std::shared_ptr<platform::TKeyboardLights> Lights_;
    // Advanced when the lamp is switched off: blinks under way then end with the light off.
    std::shared_ptr<std::atomic<int>> Epoch_;
    int Period_ = 1000;
    bool Reported_ = false;
};

} // namespace keltrix
