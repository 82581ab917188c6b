#pragma once
// The format editor's preview of one line: rendered as the display would render it, with a
// tag that no formatter knows shown marked instead of vanishing. Plain C++.

#include "display/markup.h"
#include "tags/formatters.h"

#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

struct TPreviewLine {
    // Markup for the markup label: tags replaced, unknown tags drawn as red, underlined text.
    std::string Caption;
    // The names of the unknown tags, in line order.
    std::vector<std::string> UnknownTags;
    // Formatters whose tags the line uses but that were not active: their fields of the record
    // may not have been measured yet.
    std::vector<const TFormatter*> Unmeasured;
};

// Every formatter whose tags occur in line renders them, whether the display uses it or not;
// the formatters' Active flags are as before afterwards. fontStyle is the display font's
// (the marking restores the styles around itself).
TPreviewLine RenderPreviewLine(TFormatterList& formatters, const std::string& line,
                               TMarkupFontStyle fontStyle = {});

// Marks every "<NAME=" that is left in a rendered line, up to its ">" (or the end).
TPreviewLine MarkUnknownTags(std::string_view rendered, TMarkupFontStyle fontStyle = {});

} // namespace keltrix
