#include "display/layout_text.h"

#include "base/errors.h"
#include "base/smartlog.h"
#include "tags/number_format.h"

#include <algorithm>
#include <cstdint>

namespace keltrix {

std::vector<std::string> SplitFormatLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

std::string TrimBlanks(std::string_view text) {
    // Blanks and control characters, as the prompts' trimming treats them.
    std::size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
    return std::string(text.substr(begin, end - begin));
}

bool IsNum(std::string_view text) {
    LogAdd("IsNum (" + std::string(text) + ")");
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::int32_t StrToInt(std::string_view text) {
    if (const auto value = ParseWholeNumber(text)) return *value;
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t fallback) {
    return ParseWholeNumber(text).value_or(fallback);
}

TWindowRect AdjustToDesktop(TScreenAdjust& state, TWindowRect window, TDesktopSize desktop,
                            TDesktopSize workArea) {
    if (!state.Enabled) return window;
    if (desktop.Width < window.Left) {
        state.Left = window.Left;
        state.Moved = true;
        window.Left = desktop.Width - window.Width;
    }
    if (desktop.Height < window.Top) {
        state.Top = window.Top;
        state.Moved = true;
        window.Top = desktop.Height - window.Height;
    }
    // A coordinate that was never moved counts as "none" (-1), so every work area passes it.
    if (state.Moved && workArea.Height > state.Top) {
        if (state.Top != TScreenAdjust::None) {
            window.Top = state.Top;
            state.Top = TScreenAdjust::None;
        }
        if (state.Left == TScreenAdjust::None) state.Moved = false;
    }
    if (state.Moved && workArea.Width > state.Left) {
        if (state.Left != TScreenAdjust::None) {
            window.Left = state.Left;
            state.Left = TScreenAdjust::None;
        }
        if (state.Top == TScreenAdjust::None) state.Moved = false;
    }
    return window;
}

TDesktopSize FitSize(TDesktopSize size, TWindowRect desktop) {
    // Beyond this X11 cannot size a window at all.
    constexpr std::int32_t Largest = 32767;
    const std::int32_t width = desktop.Width > 0 ? desktop.Width : Largest;
    const std::int32_t height = desktop.Height > 0 ? desktop.Height : Largest;
    return {std::clamp(size.Width, 1, width), std::clamp(size.Height, 1, height)};
}

TWindowRect FitPlace(TWindowRect window, TWindowRect desktop) {
    if (desktop.Width <= 0 || desktop.Height <= 0) return window;
    // Computed in 64 bits: stored values may be anything a 32-bit integer holds.
    const auto fit = [](std::int32_t at, std::int32_t size, std::int32_t from, std::int32_t span) {
        const std::int64_t last = std::int64_t{from} + span - std::min(size, span);
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(at, from, last));
    };
    window.Left = fit(window.Left, window.Width, desktop.Left, desktop.Width);
    window.Top = fit(window.Top, window.Height, desktop.Top, desktop.Height);
    return window;
}

} // namespace keltrix
