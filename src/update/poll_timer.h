#pragma once
// A repeating timer for periods far beyond what a 32-bit millisecond timer holds (the update
// poll runs every 1 to 65535 days). The period is kept in 64 bits and measured on a clock
// that goes on while the machine sleeps; the loop's own timer only wakes it in steps of at
// most MaxStepMs to look at that clock.

#include "platform/event_loop.h"

#include <cstdint>
#include <functional>

namespace keltrix {

inline constexpr std::uint64_t MsPerDay = 86'400'000;

class TPollTimer {
public:
    static constexpr int MaxStepMs = 3'600'000;    // an hour
    using TClock = std::function<std::uint64_t()>; // milliseconds

    // clock: unset is the platform's time since boot, suspend included. maxStepMs: how often
    // the clock is looked at, at the longest.
    explicit TPollTimer(platform::TEventLoop& loop, TClock clock = {}, int maxStepMs = MaxStepMs);
    ~TPollTimer();
    TPollTimer(const TPollTimer&) = delete;
    TPollTimer& operator=(const TPollTimer&) = delete;

    std::function<void()> OnTimer;

    // The period in ms; a running timer starts its period anew.
    void SetInterval(std::uint64_t ms);
    std::uint64_t Interval() const { return Interval_; }
    // Enabled with a period of 0 stays idle.
    void SetEnabled(bool enabled);
    bool Enabled() const { return Enabled_; }
    // Milliseconds until the next tick by the clock (0 when idle).
    std::uint64_t Remaining() const;

private:
    void Arm();
    void Disarm();
    void Step();

    platform::TEventLoop& Loop_;
    TClock Clock_;
    const int MaxStep_;
    std::uint64_t Interval_ = 0;
    bool Enabled_ = false;
    std::uint64_t Deadline_ = 0;
    platform::TEventLoop::TTimerId Step_ = 0;
};

} // namespace keltrix
