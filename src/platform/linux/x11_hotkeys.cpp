// Hotkeys as passive key grabs on the root window, over a connection of their own: the grab
// errors reach us (Qt's connection swallows them) and the presses arrive on our descriptor.
#include "platform/hotkeys.h"

#include "platform/virtual_keys.h"

#include <xcb/xcb.h>

#include <X11/keysym.h>

#include <cstdlib>
#include <cstring>

namespace keltrix::platform {

struct THotKeys::TImpl {
    struct TGrab {
        std::int32_t Id = 0;
        std::uint16_t Modifiers = 0; // X modifier mask
        std::uint32_t VirtualKey = 0;
        std::vector<xcb_keycode_t> Codes;
    };

    xcb_connection_t* Conn = nullptr;
    xcb_window_t Root = 0;
    bool Tried = false;
    std::string Why;
    std::uint16_t NumLock = XCB_MOD_MASK_2;
    xcb_keycode_t MinCode = 8;
    std::uint8_t PerCode = 0;
    std::vector<xcb_keysym_t> Syms;
    std::vector<TGrab> Grabs;

    ~TImpl() {
        if (Conn) xcb_disconnect(Conn);
    }

    bool Connect() {
        if (Tried) return Conn != nullptr;
        Tried = true;
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) {
            Why = "there is no X11 display (DISPLAY is not set), and a Wayland session lets no "
                  "program take keys system-wide";
            return false;
        }
        int screenNumber = 0;
        xcb_connection_t* conn = xcb_connect(display, &screenNumber);
        if (xcb_connection_has_error(conn)) {
            xcb_disconnect(conn);
            Why = std::string("cannot connect to the X display ") + display;
            return false;
        }
        if (IsXWayland(conn)) {
            xcb_disconnect(conn);
            Why = "the X display is XWayland: its key grabs see only the keys typed into X11 "
                  "windows, not system-wide ones";
            return false;
        }
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(conn));
        for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
        Root = it.data->root;
        Conn = conn;
        LoadKeyboard();
        return true;
    }

    static bool IsXWayland(xcb_connection_t* conn) {
        static const char name[] = "XWAYLAND";
        xcb_query_extension_reply_t* reply = xcb_query_extension_reply(
            conn, xcb_query_extension(conn, sizeof name - 1, name), nullptr);
        const bool present = reply && reply->present;
        std::free(reply);
        return present;
    }

    void LoadKeyboard() {
        const xcb_setup_t* setup = xcb_get_setup(Conn);
        MinCode = setup->min_keycode;
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
            Conn, xcb_get_keyboard_mapping(Conn, MinCode, static_cast<std::uint8_t>(count)),
            nullptr);
        Syms.clear();
        PerCode = 0;
        if (map) {
            PerCode = map->keysyms_per_keycode;
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
            Syms.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(map));
            std::free(map);
        }
        // The modifier that Num Lock sets: the grabs must not depend on it.
        NumLock = XCB_MOD_MASK_2;
        xcb_get_modifier_mapping_reply_t* mods =
            xcb_get_modifier_mapping_reply(Conn, xcb_get_modifier_mapping(Conn), nullptr);
        if (mods) {
            const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mods);
            const int per = mods->keycodes_per_modifier;
            for (int mod = 0; mod < 8; ++mod)
                for (int k = 0; k < per; ++k)
                    if (codes[mod * per + k] && Keysym(codes[mod * per + k], 0) == XK_Num_Lock)
                        NumLock = static_cast<std::uint16_t>(1u << mod);
            std::free(mods);
        }
    }

    xcb_keysym_t Keysym(xcb_keycode_t code, int level) const {
        const std::size_t at = std::size_t(code - MinCode) * PerCode + std::size_t(level);
        return code >= MinCode && level < PerCode && at < Syms.size() ? Syms[at] : 0;
    }

    std::vector<xcb_keycode_t> CodesOf(std::uint32_t virtualKey) const {
        std::vector<xcb_keycode_t> codes;
        const xcb_keysym_t wanted = VirtualKeyToKeysym(virtualKey);
        if (wanted == 0 || PerCode == 0) return codes;
        const std::size_t count = Syms.size() / PerCode;
        for (std::size_t i = 0; i < count; ++i) {
            const auto code = static_cast<xcb_keycode_t>(MinCode + i);
            // The first two levels: the key types it plain or with Shift ("A" and "a").
            for (int level = 0; level < 2 && level < PerCode; ++level)
                if (KeysymToVirtualKey(Keysym(code, level)) == virtualKey ||
                    Keysym(code, level) == wanted) {
                    codes.push_back(code);
                    break;
                }
        }
        return codes;
    }

    std::uint16_t Variants(int i) const {
        const std::uint16_t lock = XCB_MOD_MASK_LOCK;
        const std::uint16_t table[4] = {0, lock, NumLock,
                                        static_cast<std::uint16_t>(lock | NumLock)};
        return table[i];
    }

    // Grabs every key code in its four lock variants; false when any grab is refused.
    bool Grab(const TGrab& grab) {
        std::vector<xcb_void_cookie_t> cookies;
        for (xcb_keycode_t code : grab.Codes)
            for (int v = 0; v < 4; ++v)
                cookies.push_back(xcb_grab_key_checked(
                    Conn, 1, Root, static_cast<std::uint16_t>(grab.Modifiers | Variants(v)), code,
                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        bool ok = true;
        for (xcb_void_cookie_t cookie : cookies)
            if (xcb_generic_error_t* error = xcb_request_check(Conn, cookie)) {
                ok = false;
                std::free(error);
            }
        if (!ok) Ungrab(grab); // the grabs that did succeed would hold keys for nothing
        return ok;
    }

    void Ungrab(const TGrab& grab) {
        for (xcb_keycode_t code : grab.Codes)
            for (int v = 0; v < 4; ++v)
                xcb_ungrab_key(Conn, code, Root,
                               static_cast<std::uint16_t>(grab.Modifiers | Variants(v)));
        xcb_flush(Conn);
    }
};

THotKeys::THotKeys() : Impl_(std::make_unique<TImpl>()) {}
THotKeys::~THotKeys() = default;

TResult THotKeys::Available() {
    if (Impl_->Connect()) return TResult::Success();
    return TResult::Failure(ERROR_NOT_SUPPORTED, Impl_->Why);
}

std::int32_t THotKeys::GlobalAddAtom(const std::string& name, std::string* why) {
    if (!Impl_->Connect()) {
        if (why) *why = Impl_->Why;
        return 0;
    }
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        Impl_->Conn,
        xcb_intern_atom(Impl_->Conn, 0, static_cast<std::uint16_t>(name.size()), name.c_str()),
        nullptr);
    const std::int32_t atom = reply ? static_cast<std::int32_t>(reply->atom) : 0;
    std::free(reply);
    if (atom == 0 && why) *why = "the X server gave no atom for " + name;
    return atom;
}

TResult THotKeys::RegisterHotKey(std::int32_t id, std::uint32_t modifiers,
                                 std::uint32_t virtualKey) {
    if (!Impl_->Connect()) return TResult::Failure(ERROR_NOT_SUPPORTED, Impl_->Why);
    if (modifiers & ~(MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN))
        return TResult::Failure(ERROR_INVALID_PARAMETER,
                                "unknown modifier flags " + std::to_string(modifiers));
    TImpl::TGrab grab;
    grab.Id = id;
    grab.VirtualKey = virtualKey;
    if (modifiers & MOD_ALT) grab.Modifiers |= XCB_MOD_MASK_1;
    if (modifiers & MOD_CONTROL) grab.Modifiers |= XCB_MOD_MASK_CONTROL;
    if (modifiers & MOD_SHIFT) grab.Modifiers |= XCB_MOD_MASK_SHIFT;
    if (modifiers & MOD_WIN) grab.Modifiers |= XCB_MOD_MASK_4;
    grab.Codes = Impl_->CodesOf(virtualKey);
    if (grab.Codes.empty())
        return TResult::Failure(ERROR_INVALID_PARAMETER,
                                "no key of this keyboard is the virtual key " +
                                    std::to_string(virtualKey));
    for (const TImpl::TGrab& other : Impl_->Grabs)
        if (other.Id != id && other.Modifiers == grab.Modifiers && other.VirtualKey == virtualKey)
            return TResult::Failure(ERROR_HOTKEY_ALREADY_REGISTERED,
                                    "the combination is registered already");
    (void)UnregisterHotKey(id);
    if (!Impl_->Grab(grab))
        return TResult::Failure(ERROR_HOTKEY_ALREADY_REGISTERED,
                                "another program has taken the combination");
    Impl_->Grabs.push_back(std::move(grab));
    return TResult::Success();
}

TResult THotKeys::UnregisterHotKey(std::int32_t id) {
    if (!Impl_->Conn) return TResult::Failure(ERROR_HOTKEY_NOT_REGISTERED, "no hotkey registered");
    for (auto it = Impl_->Grabs.begin(); it != Impl_->Grabs.end(); ++it)
        if (it->Id == id) {
            Impl_->Ungrab(*it);
            Impl_->Grabs.erase(it);
            if (xcb_connection_has_error(Impl_->Conn))
                return TResult::Failure(ERROR_NOT_READY, "the X connection is lost");
            return TResult::Success();
        }
    return TResult::Failure(ERROR_HOTKEY_NOT_REGISTERED,
                            "no hotkey is registered under " + std::to_string(id));
}

int THotKeys::Fd() const {
    return Impl_->Conn ? xcb_get_file_descriptor(Impl_->Conn) : -1;
}

std::vector<std::int32_t> THotKeys::TakePresses() {
    std::vector<std::int32_t> pressed;
    if (!Impl_->Conn) return pressed;
    const std::uint16_t relevant =
        XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    while (xcb_generic_event_t* event = xcb_poll_for_event(Impl_->Conn)) {
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS) {
            const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
            for (const TImpl::TGrab& grab : Impl_->Grabs)
                if ((key->state & relevant) == grab.Modifiers)
                    for (xcb_keycode_t code : grab.Codes)
                        if (code == key->detail) pressed.push_back(grab.Id);
        } else if (type == XCB_MAPPING_NOTIFY) {
            // A new keyboard layout may put the keys elsewhere: grab them where they are now.
            for (const TImpl::TGrab& grab : Impl_->Grabs) Impl_->Ungrab(grab);
            Impl_->LoadKeyboard();
            for (TImpl::TGrab& grab : Impl_->Grabs) {
                grab.Codes = Impl_->CodesOf(grab.VirtualKey);
                (void)Impl_->Grab(grab);
            }
        }
        std::free(event);
    }
    return pressed;
}

std::uint32_t THotKeys::VirtualKeyOfKeyCode(std::uint32_t keyCode) {
    if (!Impl_->Connect() || keyCode > 255) return 0;
    return KeysymToVirtualKey(Impl_->Keysym(static_cast<xcb_keycode_t>(keyCode), 0));
}

} // namespace keltrix::platform
