#pragma once
// Colour values as the settings and the markup write them: 32-bit, red in the lowest byte,
// green next, blue next. A value with the top bit set names a system colour by its index
// and is resolved only when drawing. Plain C++: the resolution to real colours lives with
// the widgets (color_resolve.h).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

using TColor = std::uint32_t;

inline constexpr TColor SystemColorFlag = 0x80000000u;
inline constexpr TColor clNone = 0x1FFFFFFFu;
inline constexpr TColor clDefault = 0x20000000u;

constexpr TColor RGBColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return TColor{red} | (TColor{green} << 8) | (TColor{blue} << 16);
}
constexpr TColor SystemColor(std::uint8_t index) {
    return SystemColorFlag | index;
}
constexpr bool IsSystemColor(TColor color) {
    return (color & SystemColorFlag) != 0;
}
constexpr std::uint8_t RedOf(TColor color) {
    return static_cast<std::uint8_t>(color);
}
constexpr std::uint8_t GreenOf(TColor color) {
    return static_cast<std::uint8_t>(color >> 8);
}
constexpr std::uint8_t BlueOf(TColor color) {
    return static_cast<std::uint8_t>(color >> 16);
}

inline constexpr TColor clBlack = RGBColor(0, 0, 0);
inline constexpr TColor clGray = RGBColor(128, 128, 128);
inline constexpr TColor clSilver = RGBColor(192, 192, 192);
inline constexpr TColor clWhite = RGBColor(255, 255, 255);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clBtnFace = SystemColor(15);

// Full names with the cl prefix ("clRed"), letter case ignored.
std::optional<TColor> IdentToColor(std::string_view ident);
// The table's name of a colour ("clRed"); none for a value that has no name.
std::optional<std::string> ColorToIdent(TColor color);

// Every name of the table, in its order ("clBlack" first).
std::vector<std::string> ColorIdents();

// What users type for a colour: "$RRGGBB", "$AARRGGBB" (the first pair is dropped), or a
// table name without its cl prefix ("Red", "btnface"). None when it is neither.
std::optional<TColor> ReadColorText(std::string_view text);
// The inverse for prompts: the name without cl, else "$00" and the red, green and blue pairs.
std::string ColorToText(TColor color);

} // namespace keltrix
