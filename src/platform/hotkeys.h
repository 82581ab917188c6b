#pragma once
// System-wide hotkeys in the shape of RegisterHotKey: an identifier from a global atom, a
// combination of modifiers and a virtual-key code, and the presses as they arrive.

#include "platform/win_types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace keltrix::platform {

inline constexpr std::uint32_t MOD_ALT = 1;
inline constexpr std::uint32_t MOD_CONTROL = 2;
inline constexpr std::uint32_t MOD_SHIFT = 4;
inline constexpr std::uint32_t MOD_WIN = 8;
inline constexpr std::uint32_t ERROR_HOTKEY_ALREADY_REGISTERED = 1409;
inline constexpr std::uint32_t ERROR_HOTKEY_NOT_REGISTERED = 1419;

class THotKeys {
public:
    THotKeys();
    ~THotKeys();
    THotKeys(const THotKeys&) = delete;
    THotKeys& operator=(const THotKeys&) = delete;

    // Whether this session lets a program grab keys system-wide; why not, when it does not.
    TResult Available();
    // The identifier of a global name, the same for every program that asks (0 on failure).
    std::int32_t GlobalAddAtom(const std::string& name, std::string* why = nullptr);
    // Fails with ERROR_HOTKEY_ALREADY_REGISTERED when another program (or another of our
    // identifiers) owns the combination. Modifiers beyond Alt, Control, Shift and MOD_WIN are
    // refused.
    TResult RegisterHotKey(std::int32_t id, std::uint32_t modifiers, std::uint32_t virtualKey);
    TResult UnregisterHotKey(std::int32_t id);

    // Readable when presses may have arrived; -1 without a connection.
    int Fd() const;
    // The identifiers pressed since the last call, in order.
    std::vector<std::int32_t> TakePresses();
    // The virtual key of a hardware key code (the X key code) on the keyboard's first level,
    // so Shift+1 is the key 1 whatever it types; 0 when unknown.
    std::uint32_t VirtualKeyOfKeyCode(std::uint32_t keyCode);

    struct TImpl;

private:
    std::unique_ptr<TImpl> Impl_;
};

} // namespace keltrix::platform
