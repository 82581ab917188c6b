#pragma once
// Text handling of the display layout that needs no widgets: format-string lines, the digits
// test of prompt answers, whole numbers typed by the user, and the rule that keeps the window
// on a desktop that shrank.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

// CR LF, a lone CR and a lone LF end a line; a break at the very end starts no further line,
// so an empty text has no lines.
std::vector<std::string> SplitFormatLines(std::string_view text);

// The answer of a number prompt after trimming blanks: decimal digits only, at least one.
bool IsNum(std::string_view text);

// A whole number in the 32-bit range (leading blanks and a sign allowed). Throws
// EConvertError naming the text when it is not one.
std::int32_t StrToInt(std::string_view text);
std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback);

std::string TrimBlanks(std::string_view text);

// The window kept inside the virtual desktop: moved in when the desktop no longer reaches
// its corner, moved back to where it was once the primary work area is big enough again.
struct TScreenAdjust {
    static constexpr std::int32_t None = -1;

    bool Enabled = true;
    bool Moved = false;
    std::int32_t Left = None;
    std::int32_t Top = None;
};

struct TWindowRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool operator==(const TWindowRect&) const = default;
};

struct TDesktopSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

// The window's new place (its size never changes); does nothing while not Enabled.
TWindowRect AdjustToDesktop(TScreenAdjust& state, TWindowRect window, TDesktopSize desktop,
                            TDesktopSize workArea);

// Sizes and places the settings or a prompt ask for, limited to what the virtual desktop
// (empty when unknown) can hold: each side 1 to the desktop's, the window whole on it.
TDesktopSize FitSize(TDesktopSize size, TWindowRect desktop);
TWindowRect FitPlace(TWindowRect window, TWindowRect desktop);

} // namespace keltrix
