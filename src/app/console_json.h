#pragma once
// Console mode for status bars that read JSON (waybar, i3bar-style bars): one object per
// refresh, on one line.

#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

// text as a JSON string, quotes included; text is UTF-8.
std::string JsonString(std::string_view text);

// {"text": the lines joined by blanks, "lines": [...], "tooltip": the lines joined by line
// breaks}, and a line break. The lines are plain text, markup already taken out.
std::string JsonFrame(const std::vector<std::string>& lines);

} // namespace keltrix
