#include "peripherals/scroll_flash.h"

#include "base/smartlog.h"
#include "peripherals/blink_thread.h"
#include "settings/registry_store.h"

#include <QAction>

#include <charconv>
#include <cstdio>

namespace keltrix {
namespace {

// A whole decimal number, blanks around it allowed.
std::optional<int> WholeNumber(const std::string& text) {
    std::size_t b = text.find_first_not_of(" \t");
    std::size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos) return std::nullopt;
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    if (*first == '+') ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) return std::nullopt;
    return value;
}

} // namespace

TScrollLockFlash::TScrollLockFlash(TRegistryStore& settings, TScrollFlashHooks hooks,
                                   QObject* parent)
    : QObject(parent), Settings_(settings), Hooks_(std::move(hooks)),
      Lights_(std::make_shared<platform::TKeyboardLights>()),
      Epoch_(std::make_shared<std::atomic<int>>(0)) {
    Flashkeyboardlights1 = new QAction("Flash Scroll Lock if Net is in use", this);
    Flashkeyboardlights1->setCheckable(true);
    connect(Flashkeyboardlights1, &QAction::triggered, this,
            &TScrollLockFlash::Flashkeyboardlights1Click);
    FlashTimer.setInterval(Period_);
    connect(&FlashTimer, &QTimer::timeout, this, &TScrollLockFlash::FlashTimerTimer);
}

TScrollLockFlash::~TScrollLockFlash() = default;

void TScrollLockFlash::LoadSettings() {
    if (!Settings_.ValueExists("FlashKeyboardLights")) return;
    SetFlash(Settings_.ReadBool("FlashKeyboardLights"));
    if (Settings_.ValueExists("FlashKeyboardLightsInterval"))
        SetPeriod(Settings_.ReadInteger("FlashKeyboardLightsInterval"));
}

void TScrollLockFlash::SetPeriod(int ms) {
    Period_ = ms;
    // A period of 0 or less never ticks, as a timer of that period never fires.
    if (ms > 0) FlashTimer.setInterval(ms);
    if (Flashkeyboardlights1->isChecked() && ms > 0) {
        FlashTimer.start();
    } else {
        FlashTimer.stop();
    }
}

void TScrollLockFlash::SetFlash(bool on) {
    LogAdd("SetFlash");
    Flashkeyboardlights1->setChecked(on);
    if (on && Period_ > 0) {
        FlashTimer.start(Period_);
    } else {
        FlashTimer.stop();
    }
    if (!on) {
        ++*Epoch_;
        SetLedState(2, false);
    }
}

void TScrollLockFlash::SetLedState(int key, bool on) {
    LogAdd("SetLedState");
    if (key < 0 || key > 2) return;
    const platform::TResult result = Lights_->Set(static_cast<platform::TLockLight>(key), on);
    if (!result && !Reported_) {
        Reported_ = true;
        std::fprintf(stderr, "keltrix: the keyboard light cannot be set: %s\n",
                     result.Reason.c_str());
    }
}

void TScrollLockFlash::FlashTimerTimer() {
    LogAdd("FlashTimerTimer");
    if (!Flashkeyboardlights1->isChecked() || !Hooks_.Rates) return;
    const auto [read, write] = Hooks_.Rates();
    const std::optional<std::int32_t> duration = BlinkDuration(read, write);
    if (!duration) return;
    const std::shared_ptr<platform::TKeyboardLights> lights = Lights_;
    auto blink = std::make_unique<TBlinkThread>(
        [lights] { (void)lights->Toggle(platform::TLockLight::Scroll); },
        [lights] { (void)lights->Set(platform::TLockLight::Scroll, false); }, Epoch_);
    blink->Duration = *duration;
    TBlinkThread::Start(std::move(blink));
}

void TScrollLockFlash::Flashkeyboardlights1Click() {
    LogAdd("FlashKeyboardLights1Click");
    if (!Flashkeyboardlights1->isChecked()) {
        // The action unchecked itself: the lamp was on.
        SetFlash(false);
        Settings_.WriteBool("FlashKeyboardLights", false);
        SetLedState(2, false);
        return;
    }
    Flashkeyboardlights1->setChecked(false); // until the period is given
    if (Hooks_.Suspend) Hooks_.Suspend();
    struct TRelease {
        TScrollFlashHooks& Hooks;
        ~TRelease() {
            if (Hooks.Resume) Hooks.Resume();
        }
    } release{Hooks_};
    if (Hooks_.Warning)
        Hooks_.Warning("Warning !",
                       "This function by emulating a virtual keypress. Therefore this function "
                       "will suspend the screensaver and other power management options, further "
                       "more scrolling might also be affected.");
    const std::optional<std::string> answer =
        Hooks_.InputBox ? Hooks_.InputBox("Flash Interval", "Specify value in milliseconds",
                                          std::to_string(Period_))
                        : std::nullopt;
    if (!answer) return;
    SetFlash(true);
    Settings_.WriteBool("FlashKeyboardLights", true);
    SetPeriod(WholeNumber(*answer).value_or(Period_));
    Settings_.WriteInteger("FlashKeyboardLightsInterval", Period_);
}

void TScrollLockFlash::SwitchOffAtExit() {
    if (!Flashkeyboardlights1->isChecked()) return;
    FlashTimer.stop();
    ++*Epoch_;
    (void)Lights_->Set(platform::TLockLight::Scroll, false);
}

} // namespace keltrix
