#pragma once
// Windows virtual-key codes, the form the hotkey settings keep, and the X keysyms of the same
// keys (Qt hands keysyms over as native virtual keys on X11 and Wayland).

#include <cstdint>
#include <string>

namespace keltrix::platform {

// 0 when the key has no keysym here.
std::uint32_t VirtualKeyToKeysym(std::uint32_t virtualKey);
// Letters in either case give the same code; 0 when the keysym has no virtual key.
std::uint32_t KeysymToVirtualKey(std::uint32_t keysym);
// The key's name as menus show it in a short-cut ("M", "F5", "Home"); empty when unknown.
std::string VirtualKeyName(std::uint32_t virtualKey);

} // namespace keltrix::platform
