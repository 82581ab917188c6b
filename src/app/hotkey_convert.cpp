#include "app/hotkey_convert.h"

#include "base/smartlog.h"
#include "platform/virtual_keys.h"

namespace keltrix {

std::uint32_t ShortCutToSystemHotKey(std::uint16_t keyCode) {
    LogAdd("ShortCutToSystemHotKey");
    std::uint32_t modifiers = 0;
    if (keyCode & scCtrl) modifiers += 2;
    if (keyCode & scAlt) modifiers += 1;
    if (keyCode & scShift) modifiers += 4;
    const std::uint32_t key = keyCode & ~std::uint32_t(scShift | scCtrl | scAlt) & 0xFFFF;
    return (modifiers << 16) | key;
}

TModifierFlags GetMods(std::uint32_t modifiers, const TShowMessage& showMessage) {
    LogAdd("GetMods");
    TModifierFlags flags;
    if (modifiers >= 4) {
        flags.Shift = true;
        modifiers -= 4;
    }
    if (modifiers >= 2) {
        flags.Control = true;
        modifiers -= 2;
    }
    if (modifiers != 0) {
        flags.Alt = true;
        modifiers -= 1;
    }
    if (modifiers != 0 && showMessage) showMessage("Converter error");
    return flags;
}

std::uint16_t SystemHotKeyToShortCut(std::uint32_t hotKey, const TShowMessage& showMessage) {
    LogAdd("SystemHotKeyToShortCut");
    const TModifierFlags flags = GetMods(hotKey >> 16, showMessage);
    std::uint32_t keyCode = hotKey & 0xFFFF;
    if (flags.Shift) keyCode += scShift;
    if (flags.Control) keyCode += scCtrl;
    if (flags.Alt) keyCode += scAlt;
    return static_cast<std::uint16_t>(keyCode); // a word, as the dialog holds it
}

std::string ShortCutText(std::uint16_t keyCode) {
    const std::uint32_t key = keyCode & 0xFF;
    if (key == 0) return {};
    std::string text;
    if (keyCode & scShift) text += "Shift+";
    if (keyCode & scCtrl) text += "Ctrl+";
    if (keyCode & scAlt) text += "Alt+";
    const std::string name = platform::VirtualKeyName(key);
    return text + (name.empty() ? "#" + std::to_string(key) : name);
}

std::string HotKeyText(std::uint32_t hotKey) {
    const std::uint32_t mods = hotKey >> 16;
    std::uint16_t keyCode = static_cast<std::uint16_t>(hotKey & 0xFF);
    if (mods & 4) keyCode |= scShift;
    if (mods & 2) keyCode |= scCtrl;
    if (mods & 1) keyCode |= scAlt;
    return ShortCutText(keyCode);
}

} // namespace keltrix
