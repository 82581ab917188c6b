#pragma once
// One blink of the network lamp on a short thread of its own: the light toggles, stays so for
// Duration milliseconds and toggles back. Plain C++: the light itself is handed in.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace keltrix {

// How long a blink lasts for the rates (KB/s received and sent): their sum rounded (halves to
// even) times 5, within 0..500 ms; none when neither rate is above 0. Sums that are not
// finite or do not fit stay within the range.
std::optional<std::int32_t> BlinkDuration(float netRead, float netWrite);

class TBlinkThread {
public:
    // One edge of the light: it takes the opposite state.
    using TToggle = std::function<void()>;
    // Turns the light off: the lamp was switched off while the blink was under way.
    using TLightOff = std::function<void()>;

    // Created suspended, like the thread class it stands for: Start runs it and it frees
    // itself when done. epoch/current: when they differ at the second edge, the lamp was
    // switched off meanwhile and the light is turned off instead of toggled back.
    TBlinkThread(TToggle toggle, TLightOff lightOff, std::shared_ptr<std::atomic<int>> epoch);

    std::int32_t Duration = 0;

    // Starts the blink on its own thread and gives the object to it.
    static void Start(std::unique_ptr<TBlinkThread> thread);
    // The blink itself, on the calling thread (the thread body).
    void Execute();

private:
    TToggle Toggle_;
    TLightOff LightOff_;
    std::shared_ptr<std::atomic<int>> Epoch_;
    int StartEpoch_;
};

} // namespace keltrix
