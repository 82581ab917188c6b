#pragma once
// The inline markup of a display line (<B>, <C:Red>, <S:3>, <PIXELSTART=40>, ...) cut into
// runs of text, each with the style in force where it stands. Plain C++ so that it can be
// tested and fuzzed without a display; the label measures and draws the runs.

#include "display/colors.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

// Style bits of the font that codes switch; everything else stays the font's own.
struct TMarkupFontStyle {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool operator==(const TMarkupFontStyle&) const = default;
};

struct TMarkupRun {
    // Absolute pen position (from the label's left) taken before the text; set by PIXELSTART.
    std::optional<std::int32_t> MoveTo;
    // UTF-8, already read in the run's character set; empty for a run that only moves the pen.
    std::string Text;
    TMarkupFontStyle Style;
    // None: the label's own font colour.
    std::optional<TColor> Color;
    bool Shadow = false;
    std::int8_t ShadowOffset = 0;
    bool Cyrillic = false;

    // Filled by LayoutMarkup.
    std::int64_t X = 0;
    std::int32_t Width = 0;
};

// Codes act from where they stand to the end of the caption or until undone. A "<" without a
// closing ">" takes the rest of the caption as its code; unknown codes draw nothing.
std::vector<TMarkupRun> ParseMarkup(std::string_view caption, TMarkupFontStyle fontStyle = {});

// Places the runs one after another from x = 0 and returns the total advance (the pen
// position after the last run). measure gives a run's width in pixels.
using TMeasureRun = std::function<std::int32_t(const TMarkupRun&)>;
std::int64_t LayoutMarkup(std::vector<TMarkupRun>& runs, const TMeasureRun& measure);

} // namespace keltrix
