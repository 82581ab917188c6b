#include "platform/virtual_keys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <array>

namespace keltrix::platform {
namespace {

struct TKey {
    std::uint32_t VirtualKey;
    std::uint32_t Keysym;
    const char* Name;
};

// Letters and digits are computed; everything else a hotkey can sensibly be is listed.
constexpr std::array Keys{
    TKey{0x08, XK_BackSpace, "BkSp"},
    TKey{0x09, XK_Tab, "Tab"},
    TKey{0x0C, XK_Clear, "Clear"},
    TKey{0x0D, XK_Return, "Enter"},
    TKey{0x13, XK_Pause, "Pause"},
    TKey{0x14, XK_Caps_Lock, "Caps Lock"},
    TKey{0x1B, XK_Escape, "Esc"},
    TKey{0x20, XK_space, "Space"},
    TKey{0x21, XK_Prior, "PgUp"},
    TKey{0x22, XK_Next, "PgDn"},
    TKey{0x23, XK_End, "End"},
    TKey{0x24, XK_Home, "Home"},
    TKey{0x25, XK_Left, "Left"},
    TKey{0x26, XK_Up, "Up"},
    TKey{0x27, XK_Right, "Right"},
    TKey{0x28, XK_Down, "Down"},
    TKey{0x29, XK_Select, "Select"},
    TKey{0x2A, XK_Print, "Print"},
    TKey{0x2B, XK_Execute, "Execute"},
    TKey{0x2C, XK_Print, "Print Screen"},
    TKey{0x2D, XK_Insert, "Ins"},
    TKey{0x2E, XK_Delete, "Del"},
    TKey{0x2F, XK_Help, "Help"},
    TKey{0x5B, XK_Super_L, "Left Windows"},
    TKey{0x5C, XK_Super_R, "Right Windows"},
    TKey{0x5D, XK_Menu, "Applications"},
    TKey{0x60, XK_KP_0, "Num 0"},
    TKey{0x61, XK_KP_1, "Num 1"},
    TKey{0x62, XK_KP_2, "Num 2"},
    TKey{0x63, XK_KP_3, "Num 3"},
    TKey{0x64, XK_KP_4, "Num 4"},
    TKey{0x65, XK_KP_5, "Num 5"},
    TKey{0x66, XK_KP_6, "Num 6"},
    TKey{0x67, XK_KP_7, "Num 7"},
    TKey{0x68, XK_KP_8, "Num 8"},
    TKey{0x69, XK_KP_9, "Num 9"},
    TKey{0x6A, XK_KP_Multiply, "Num *"},
    TKey{0x6B, XK_KP_Add, "Num +"},
    TKey{0x6C, XK_KP_Separator, "Num ,"},
    TKey{0x6D, XK_KP_Subtract, "Num -"},
    TKey{0x6E, XK_KP_Decimal, "Num Del"},
    TKey{0x6F, XK_KP_Divide, "Num /"},
    TKey{0x90, XK_Num_Lock, "Num Lock"},
    TKey{0x91, XK_Scroll_Lock, "Scroll Lock"},
    TKey{0xA6, XF86XK_Back, "Browser Back"},
    TKey{0xA7, XF86XK_Forward, "Browser Forward"},
    TKey{0xA8, XF86XK_Refresh, "Browser Refresh"},
    TKey{0xA9, XF86XK_Stop, "Browser Stop"},
    TKey{0xAA, XF86XK_Search, "Browser Search"},
    TKey{0xAB, XF86XK_Favorites, "Browser Favorites"},
    TKey{0xAC, XF86XK_HomePage, "Browser Home"},
    TKey{0xAD, XF86XK_AudioMute, "Volume Mute"},
    TKey{0xAE, XF86XK_AudioLowerVolume, "Volume Down"},
    TKey{0xAF, XF86XK_AudioRaiseVolume, "Volume Up"},
    TKey{0xB0, XF86XK_AudioNext, "Next Track"},
    TKey{0xB1, XF86XK_AudioPrev, "Previous Track"},
    TKey{0xB2, XF86XK_AudioStop, "Stop Media"},
    TKey{0xB3, XF86XK_AudioPlay, "Play/Pause"},
    TKey{0xB4, XF86XK_Mail, "Mail"},
    TKey{0xBA, XK_semicolon, ";"},
    TKey{0xBB, XK_equal, "="},
    TKey{0xBC, XK_comma, ","},
    TKey{0xBD, XK_minus, "-"},
    TKey{0xBE, XK_period, "."},
    TKey{0xBF, XK_slash, "/"},
    TKey{0xC0, XK_grave, "`"},
    TKey{0xDB, XK_bracketleft, "["},
    TKey{0xDC, XK_backslash, "\\"},
    TKey{0xDD, XK_bracketright, "]"},
    TKey{0xDE, XK_apostrophe, "'"},
    TKey{0xE2, XK_less, "<"},
};

// Keys the numeric keypad types with Num Lock off count as the keypad keys they are.
constexpr std::array KeypadAliases{
    TKey{0x60, XK_KP_Insert, ""},    TKey{0x61, XK_KP_End, ""},    TKey{0x62, XK_KP_Down, ""},
    TKey{0x63, XK_KP_Next, ""},      TKey{0x64, XK_KP_Left, ""},   TKey{0x65, XK_KP_Begin, ""},
    TKey{0x66, XK_KP_Right, ""},     TKey{0x67, XK_KP_Home, ""},   TKey{0x68, XK_KP_Up, ""},
    TKey{0x69, XK_KP_Prior, ""},     TKey{0x6E, XK_KP_Delete, ""}, TKey{0x0D, XK_KP_Enter, ""},
    TKey{0x09, XK_ISO_Left_Tab, ""},
};

} // namespace

std::uint32_t VirtualKeyToKeysym(std::uint32_t vk) {
    if (vk >= 'A' && vk <= 'Z') return XK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9') return XK_0 + (vk - '0');
    if (vk >= 0x70 && vk <= 0x87) return XK_F1 + (vk - 0x70); // F1 .. F24
    if (vk == 0x2C) return XK_Print;                          // Print Screen, not VK_PRINT
    for (const TKey& key : Keys)
        if (key.VirtualKey == vk) return key.Keysym;
    return 0;
}

std::uint32_t KeysymToVirtualKey(std::uint32_t keysym) {
    if (keysym >= XK_a && keysym <= XK_z) return 'A' + (keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z) return 'A' + (keysym - XK_A);
    if (keysym >= XK_0 && keysym <= XK_9) return '0' + (keysym - XK_0);
    if (keysym >= XK_F1 && keysym <= XK_F24) return 0x70 + (keysym - XK_F1);
    if (keysym == XK_Print) return 0x2C;
    for (const TKey& key : Keys)
        if (key.Keysym == keysym) return key.VirtualKey;
    for (const TKey& key : KeypadAliases)
        if (key.Keysym == keysym) return key.VirtualKey;
    return 0;
}

std::string VirtualKeyName(std::uint32_t vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, char(vk));
    if (vk >= 0x70 && vk <= 0x87) return "F" + std::to_string(vk - 0x6F);
    for (const TKey& key : Keys)
        if (key.VirtualKey == vk) return key.Name;
    return {};
}

} // namespace keltrix::platform
