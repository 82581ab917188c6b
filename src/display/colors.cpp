#include "display/colors.h"
#include "platform/ascii.h"

#include <array>
#include <cstdio>

namespace keltrix {
namespace {

struct TColorName {
    std::string_view Name;
    TColor Value;
};

// Table order decides which name a value gets back.
constexpr std::array<TColorName, 49> ColorNames = {{
    {"clBlack", RGBColor(0, 0, 0)},
    {"clMaroon", RGBColor(128, 0, 0)},
    {"clGreen", RGBColor(0, 128, 0)},
    {"clOlive", RGBColor(128, 128, 0)},
    {"clNavy", RGBColor(0, 0, 128)},
    {"clPurple", RGBColor(128, 0, 128)},
    {"clTeal", RGBColor(0, 128, 128)},
    {"clGray", RGBColor(128, 128, 128)},
    {"clSilver", RGBColor(192, 192, 192)},
    {"clRed", RGBColor(255, 0, 0)},
    {"clLime", RGBColor(0, 255, 0)},
    {"clYellow", RGBColor(255, 255, 0)},
    {"clBlue", RGBColor(0, 0, 255)},
    {"clFuchsia", RGBColor(255, 0, 255)},
    {"clAqua", RGBColor(0, 255, 255)},
    {"clWhite", RGBColor(255, 255, 255)},
    {"clMoneyGreen", RGBColor(192, 220, 192)},
    {"clSkyBlue", RGBColor(166, 202, 240)},
    {"clCream", RGBColor(255, 251, 240)},
    {"clMedGray", RGBColor(160, 160, 164)},
    {"clScrollBar", SystemColor(0)},
    {"clBackground", SystemColor(1)},
    {"clActiveCaption", SystemColor(2)},
    {"clInactiveCaption", SystemColor(3)},
    {"clMenu", SystemColor(4)},
    {"clWindow", SystemColor(5)},
    {"clWindowFrame", SystemColor(6)},
    {"clMenuText", SystemColor(7)},
    {"clWindowText", SystemColor(8)},
    {"clCaptionText", SystemColor(9)},
    {"clActiveBorder", SystemColor(10)},
    {"clInactiveBorder", SystemColor(11)},
    {"clAppWorkSpace", SystemColor(12)},
    {"clHighlight", SystemColor(13)},
    {"clHighlightText", SystemColor(14)},
    {"clBtnFace", SystemColor(15)},
    {"clBtnShadow", SystemColor(16)},
    {"clGrayText", SystemColor(17)},
    {"clBtnText", SystemColor(18)},
    {"clInactiveCaptionText", SystemColor(19)},
    {"clBtnHighlight", SystemColor(20)},
    {"cl3DDkShadow", SystemColor(21)},
    {"cl3DLight", SystemColor(22)},
    {"clInfoText", SystemColor(23)},
    {"clInfoBk", SystemColor(24)},
    {"clGradientActiveCaption", SystemColor(27)},
    {"clGradientInactiveCaption", SystemColor(28)},
    {"clNone", clNone},
    {"clDefault", clDefault},
}};

std::optional<std::uint8_t> HexPair(std::string_view text) {
    const int high = HexDigit(text[0]);
    const int low = HexDigit(text[1]);
    if (high < 0 || low < 0) return std::nullopt;
    return static_cast<std::uint8_t>(high * 16 + low);
}

} // namespace

std::vector<std::string> ColorIdents() {
    std::vector<std::string> names;
    for (const TColorName& c : ColorNames) names.emplace_back(c.Name);
    return names;
}

std::optional<TColor> IdentToColor(std::string_view ident) {
    for (const auto& entry : ColorNames)
        if (SameTextAscii(entry.Name, ident)) return entry.Value;
    return std::nullopt;
}

std::optional<std::string> ColorToIdent(TColor color) {
    for (const auto& entry : ColorNames)
        if (entry.Value == color) return std::string(entry.Name);
    return std::nullopt;
}

std::optional<TColor> ReadColorText(std::string_view text) {
    if (text.empty() || text[0] != '$') {
        // A name given with its own cl prefix becomes "clcl..." and matches nothing.
        return IdentToColor("cl" + std::string(text));
    }
    std::string_view digits = text.substr(1);
    if (digits.size() == 8) {
        if (!HexPair(digits.substr(0, 2))) return std::nullopt;
        digits.remove_prefix(2);
    }
    if (digits.size() != 6) return std::nullopt;
    const auto red = HexPair(digits.substr(0, 2));
    const auto green = HexPair(digits.substr(2, 2));
    const auto blue = HexPair(digits.substr(4, 2));
    if (!red || !green || !blue) return std::nullopt;
    return RGBColor(*red, *green, *blue);
}

std::string ColorToText(TColor color) {
    if (auto ident = ColorToIdent(color)) return ident->substr(2);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "$00%02X%02X%02X", RedOf(color), GreenOf(color),
                  BlueOf(color));
    return buffer;
}

} // namespace keltrix
