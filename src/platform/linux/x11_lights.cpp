// The lock lights as XKB named indicators, set explicitly: on X11 a faked Scroll_Lock press
// moves no light unless the key is bound to a modifier, which it rarely is.
#include "platform/keyboard_lights.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
// Xlib names its status code Success, which TResult::Success must stay.
#undef Success

#include <string>

namespace keltrix::platform {

struct TKeyboardLights::TImpl {
    Display* Dpy = nullptr;
    bool Tried = false;
    std::string Why;
    Atom Names[3] = {None, None, None};

    ~TImpl() {
        if (Dpy) XCloseDisplay(Dpy);
    }

    bool Open() {
        if (Tried) return Dpy != nullptr;
        Tried = true;
        int event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion, reason = 0;
        Dpy = XkbOpenDisplay(nullptr, &event, &error, &major, &minor, &reason);
        if (!Dpy) {
            Why = reason == XkbOD_ConnectionRefused ? "there is no X11 display to reach"
                                                    : "the X server has no keyboard extension";
            return false;
        }
        const char* names[3] = {"Caps Lock", "Num Lock", "Scroll Lock"};
        for (int i = 0; i < 3; ++i) Names[i] = XInternAtom(Dpy, names[i], False);
        return true;
    }

    TResult Get(TLockLight light, bool& on) {
        if (!Open()) return TResult::Failure(ERROR_NOT_SUPPORTED, Why);
        int index = 0;
        Bool state = False, real = False;
        if (!XkbGetNamedIndicator(Dpy, Names[int(light)], &index, &state, nullptr, &real) || !real)
            return TResult::Failure(ERROR_NOT_SUPPORTED, "the keyboard has no such light");
        on = state != False;
        return TResult::Success();
    }

    TResult Set(TLockLight light, bool on) {
        if (!Open()) return TResult::Failure(ERROR_NOT_SUPPORTED, Why);
        if (!XkbSetNamedIndicator(Dpy, Names[int(light)], True, on ? True : False, False, nullptr))
            return TResult::Failure(ERROR_NOT_SUPPORTED, "the keyboard has no such light");
        XSync(Dpy, False);
        return TResult::Success();
    }
};

TKeyboardLights::TKeyboardLights() : Impl_(std::make_unique<TImpl>()) {}
TKeyboardLights::~TKeyboardLights() = default;

TResult TKeyboardLights::Get(TLockLight light, bool& on) {
    std::lock_guard lock(Lock_);
    return Impl_->Get(light, on);
}

TResult TKeyboardLights::Set(TLockLight light, bool on) {
    std::lock_guard lock(Lock_);
    return Impl_->Set(light, on);
}

TResult TKeyboardLights::Toggle(TLockLight light) {
    std::lock_guard lock(Lock_); // one edge at a time: overlapping blinks alternate cleanly
    bool on = false;
    if (TResult got = Impl_->Get(light, on); !got) return got;
    return Impl_->Set(light, !on);
}

} // namespace keltrix::platform
