#include "update/poll_timer.h"

#include "platform/system_info.h"

#include <algorithm>

namespace keltrix {

TPollTimer::TPollTimer(platform::TEventLoop& loop, TClock clock, int maxStepMs)
    : Loop_(loop), Clock_(clock ? std::move(clock) : TClock(platform::GetTickCount64)),
      MaxStep_(std::max(maxStepMs, 1)) {}

TPollTimer::~TPollTimer() {
    Disarm();
}

void TPollTimer::SetInterval(std::uint64_t ms) {
    Interval_ = ms;
    if (Enabled_) Arm();
}

void TPollTimer::SetEnabled(bool enabled) {
    Enabled_ = enabled;
    if (Enabled_) {
        Arm();
    } else {
        Disarm();
    }
}

std::uint64_t TPollTimer::Remaining() const {
    if (Step_ == 0) return 0;
    const std::uint64_t now = Clock_();
    return Deadline_ > now ? Deadline_ - now : 0;
}

void TPollTimer::Disarm() {
    if (Step_ != 0) Loop_.StopTimer(Step_);
    Step_ = 0;
}

void TPollTimer::Arm() {
    Disarm();
    if (Interval_ == 0) return;
    Deadline_ = Clock_() + Interval_;
    const auto step =
        static_cast<int>(std::min<std::uint64_t>(Interval_, static_cast<std::uint64_t>(MaxStep_)));
    Step_ = Loop_.StartTimer(step, [this] { Step(); });
}

void TPollTimer::Step() {
    const std::uint64_t now = Clock_();
    if (now < Deadline_) {
        // Woken early (a step, or a clock that ran on during sleep is not late yet): wait on,
        // never longer than what is left.
        const std::uint64_t left = Deadline_ - now;
        if (left < static_cast<std::uint64_t>(MaxStep_)) {
            Loop_.StopTimer(Step_);
            Step_ = Loop_.StartTimer(static_cast<int>(left), [this] { Step(); });
        }
        return;
    }
    // The next period counts from now: a machine that slept through several periods checks
    // once, not once for each.
    Arm();
    if (OnTimer) OnTimer();
}

} // namespace keltrix
