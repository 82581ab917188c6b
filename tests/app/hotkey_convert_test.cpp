#include "app/hotkey_convert.h"
#include "base/smartlog.h"
#include "platform/virtual_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace keltrix;

namespace {
struct TMessages {
    std::vector<std::string> Shown;
    TShowMessage Sink() {
        return [this](const std::string& text) { Shown.push_back(text); };
    }
};
} // namespace

TEST(HotKeyConversion, CtrlAltMRoundTrips) {
    const std::uint16_t dialog = scCtrl | scAlt | 'M';
    const std::uint32_t hotKey = ShortCutToSystemHotKey(dialog);
    EXPECT_EQ(hotKey >> 16, 3u);
    EXPECT_EQ(hotKey & 0xFFFF, 77u);
    TMessages messages;
    EXPECT_EQ(SystemHotKeyToShortCut(hotKey, messages.Sink()), dialog);
    EXPECT_TRUE(messages.Shown.empty());
    EXPECT_EQ(ShortCutText(dialog), "Ctrl+Alt+M");
}

TEST(HotKeyConversion, CtrlShiftF5AndEveryModifierAlone) {
    const std::uint32_t hotKey = ShortCutToSystemHotKey(scCtrl | scShift | 0x74);
    EXPECT_EQ(hotKey >> 16, 6u);
    EXPECT_EQ(hotKey & 0xFFFF, 116u);
    EXPECT_EQ(ShortCutText(scCtrl | scShift | 0x74), "Shift+Ctrl+F5");
    EXPECT_EQ(HotKeyText(hotKey), "Shift+Ctrl+F5");
    EXPECT_EQ(HotKeyText(0), "");
    EXPECT_EQ(ShortCutToSystemHotKey(scAlt | 'A'), (1u << 16) | 'A');
    EXPECT_EQ(ShortCutToSystemHotKey(scShift | 'A'), (4u << 16) | 'A');
    EXPECT_EQ(ShortCutToSystemHotKey(scShift | scCtrl | scAlt | 0x24), (7u << 16) | 0x24);
    EXPECT_EQ(ShortCutToSystemHotKey(0), 0u);
}

TEST(HotKeyConversion, GetModsTakesShiftControlAltInThatOrder) {
    TMessages messages;
    for (std::uint32_t mods = 0; mods < 8; ++mods) {
        const TModifierFlags flags = GetMods(mods, messages.Sink());
        EXPECT_EQ(flags.Alt, (mods & 1) != 0) << mods;
        EXPECT_EQ(flags.Control, (mods & 2) != 0) << mods;
        EXPECT_EQ(flags.Shift, (mods & 4) != 0) << mods;
    }
    EXPECT_TRUE(messages.Shown.empty());
}

TEST(HotKeyConversion, UnknownModifierBitsShowConverterErrorAndKeepWhatWasFound) {
    // The Windows-key flag 8 passes every test on its way down and still leaves 1 over.
    TMessages messages;
    const TModifierFlags eight = GetMods(8, messages.Sink());
    EXPECT_TRUE(eight.Shift && eight.Control && eight.Alt);
    ASSERT_EQ(messages.Shown, std::vector<std::string>{"Converter error"});
    // Alt with the Windows key: the dialog starts from the flags found.
    const std::uint16_t code = SystemHotKeyToShortCut((9u << 16) | 'K', messages.Sink());
    EXPECT_EQ(code, scShift | scCtrl | scAlt | 'K');
    EXPECT_EQ(messages.Shown.size(), 2u);
    // Nothing to show it with: no crash.
    EXPECT_TRUE(GetMods(0x10, nullptr).Shift);
}

TEST(HotKeyConversion, EachConversionLogsItsName) {
    TSmartLog log("KeltrixBeta");
    smartlog::Install(&log);
    (void)SystemHotKeyToShortCut(ShortCutToSystemHotKey(scAlt | 'A'), nullptr);
    smartlog::Install(nullptr);
    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "ShortCutToSystemHotKey");
    EXPECT_EQ(lines[3], "SystemHotKeyToShortCut");
    EXPECT_EQ(lines[4], "GetMods");
}

TEST(VirtualKeys, KeysymsBothWaysForTheKeysHotkeysUse) {
    using namespace platform;
    EXPECT_EQ(VirtualKeyToKeysym('M'), 0x6Du); // XK_m
    EXPECT_EQ(KeysymToVirtualKey(0x6D), 'M');
    EXPECT_EQ(KeysymToVirtualKey(0x4D), 'M');     // XK_M
    EXPECT_EQ(VirtualKeyToKeysym(0x74), 0xFFC2u); // F5
    EXPECT_EQ(KeysymToVirtualKey(0xFFC2), 0x74u);
    EXPECT_EQ(VirtualKeyToKeysym(0x87), 0xFFD5u); // F24
    EXPECT_EQ(VirtualKeyToKeysym(0x91), 0xFF14u); // Scroll Lock
    EXPECT_EQ(KeysymToVirtualKey(0xFF9C), 0x61u); // KP_End is the keypad's 1
    EXPECT_EQ(VirtualKeyToKeysym(0x07), 0u);
    EXPECT_EQ(KeysymToVirtualKey(0x21), 0u); // "!" is no key of its own
    // Every listed key comes back as itself (Print and Print Screen share a keysym).
    for (std::uint32_t vk = 1; vk < 0x100; ++vk) {
        const std::uint32_t keysym = VirtualKeyToKeysym(vk);
        if (keysym == 0 || vk == 0x2A) continue;
        EXPECT_EQ(KeysymToVirtualKey(keysym), vk) << std::hex << vk;
        EXPECT_FALSE(VirtualKeyName(vk).empty()) << std::hex << vk;
    }
    EXPECT_EQ(VirtualKeyName(0x74), "F5");
    EXPECT_EQ(VirtualKeyName(0x24), "Home");
}
