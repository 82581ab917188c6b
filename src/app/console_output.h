#pragma once
// What console mode prints for the window's lines: markup codes dropped as the label drops
// them, and on a terminal the styles and colours as ANSI escapes.

#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

std::string ConsoleLine(std::string_view renderedLine, bool ansi);

// One refresh: the lines, then one empty line, except that a frame of one line is that line
// alone when piped. On a terminal the previous frame (of previousLines lines) is overwritten
// in place.
std::string ConsoleFrame(const std::vector<std::string>& renderedLines, bool ansi,
                         std::size_t previousLines);

} // namespace keltrix
