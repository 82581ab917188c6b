#include "peripherals/blink_thread.h"

#include <chrono>
#include <cmath>
#include <thread>

namespace keltrix {

std::optional<std::int32_t> BlinkDuration(float netRead, float netWrite) {
    if (!(netRead > 0) && !(netWrite > 0)) return std::nullopt;
    const double sum = double(netRead) + double(netWrite);
    if (std::isnan(sum)) return 0; // infinities of both signs: nothing sensible to show
    // Clamp before converting: a huge sum must not overflow the integer.
    const double ms = std::nearbyint(sum) * 5.0;
    if (ms <= 0) return 0;
    if (ms >= 500) return 500;
    return static_cast<std::int32_t>(ms);
}

TBlinkThread::TBlinkThread(TToggle toggle, TLightOff lightOff,
                           std::shared_ptr<std::atomic<int>> epoch)
    : Toggle_(std::move(toggle)), LightOff_(std::move(lightOff)), Epoch_(std::move(epoch)),
      StartEpoch_(Epoch_ ? Epoch_->load() : 0) {}

void TBlinkThread::Start(std::unique_ptr<TBlinkThread> thread) {
    std::thread([self = std::move(thread)] { self->Execute(); }).detach();
}

void TBlinkThread::Execute() {
    Toggle_();
    std::this_thread::sleep_for(std::chrono::milliseconds(Duration));
    if (Epoch_ && Epoch_->load() != StartEpoch_) {
        LightOff_();
        return;
    }
    Toggle_();
    // The key events this blink once sent ended with a spare key-up 50 ms later; a light set
    // directly needs none, but the thread keeps its length so overlapping blinks stay alike.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace keltrix
