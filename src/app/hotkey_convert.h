#pragma once
// The two forms of a hotkey: the dialog's key code (low byte the virtual key, 0x2000 Shift,
// 0x4000 Control, 0x8000 Alt) and the platform's (low word the virtual key, high word the
// modifiers Alt 1, Control 2, Shift 4). Plain C++.

#include <cstdint>
#include <functional>
#include <string>

namespace keltrix {

inline constexpr std::uint16_t scShift = 0x2000;
inline constexpr std::uint16_t scCtrl = 0x4000;
inline constexpr std::uint16_t scAlt = 0x8000;

struct TModifierFlags {
    bool Shift = false;
    bool Control = false;
    bool Alt = false;
};

// Shows a message to the user ("Converter error").
using TShowMessage = std::function<void(const std::string& text)>;

std::uint32_t ShortCutToSystemHotKey(std::uint16_t keyCode);
// Modifier bits other than 1, 2 and 4 show "Converter error"; the flags found stand.
TModifierFlags GetMods(std::uint32_t modifiers, const TShowMessage& showMessage);
std::uint16_t SystemHotKeyToShortCut(std::uint32_t hotKey, const TShowMessage& showMessage);

// The key code as a menu shows it: "Shift+Ctrl+Alt+F5"; empty for 0.
std::string ShortCutText(std::uint16_t keyCode);
// The same for the platform's form, for messages (no conversion is logged).
std::string HotKeyText(std::uint32_t hotKey);

} // namespace keltrix
