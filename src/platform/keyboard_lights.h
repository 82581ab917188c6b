#pragma once
// The keyboard's lock lights, by the key numbers of SetLedState: 0 Caps Lock (virtual key
// 0x14), 1 Num Lock (0x90), 2 Scroll Lock (0x91). Safe to use from any thread.

#include "platform/win_types.h"

#include <memory>
#include <mutex>

namespace keltrix::platform {

enum class TLockLight { Caps = 0, Num = 1, Scroll = 2 };

class TKeyboardLights {
public:
    TKeyboardLights();
    ~TKeyboardLights();
    TKeyboardLights(const TKeyboardLights&) = delete;
    TKeyboardLights& operator=(const TKeyboardLights&) = delete;

    // Fails when the light cannot be read.
    TResult Get(TLockLight light, bool& on);
    TResult Set(TLockLight light, bool on);
    // One blink edge: the light takes the opposite state.
    TResult Toggle(TLockLight light);

    struct TImpl;

private:
    std::mutex Lock_;
    std::unique_ptr<TImpl> Impl_;
};

} // namespace keltrix::platform
