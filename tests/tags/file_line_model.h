// The whole text split in memory: the model that the bounded file-line reading must agree
// with, shared by its unit test and its fuzz target.
#pragma once

#include "tags/file_line.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace keltrix::testing {

inline std::optional<std::string> Model(std::string text, std::int64_t line) {
    text.resize(std::min(text.find('\0'), text.size()));
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    if (lines.empty()) return std::nullopt;
    const auto k = static_cast<std::int64_t>(lines.size());
    std::string chosen = lines.back();
    if (line >= 1 && line <= k) chosen = lines[static_cast<std::size_t>(line - 1)];
    if (line < 0) chosen = lines[static_cast<std::size_t>(std::max<std::int64_t>(0, k - 1 + line))];
    if (chosen.size() > MaxFileLineBytes) chosen.resize(MaxFileLineBytes);
    return chosen;
}

} // namespace keltrix::testing
