#include "tags/duration_format.h"

#include "tags/number_format.h"

namespace keltrix {

namespace {

void ReplaceFirst(std::string& text, const char* token, const std::string& value) {
    if (auto pos = text.find(token); pos != std::string::npos) text.replace(pos, 3, value);
}

} // namespace

std::string FormatDuration(const std::string& format, bool leadZero, std::int64_t seconds) {
    std::string text = format;
    const std::int64_t days = seconds / 86400;
    std::int64_t remaining = seconds - days * 86400;
    // Days pad with a blank, not a zero, even with the flag.
    ReplaceFirst(text, "*d*", leadZero ? FormatIntWidth(days, 2) : FormatInt(days));
    ReplaceFirst(text, "*D*", FormatIntWidth(days, 2));

    const std::int64_t hours = remaining / 3600;
    remaining -= hours * 3600;
    ReplaceFirst(text, "*h*", leadZero ? FormatIntDigits(hours, 2) : FormatInt(hours));
    ReplaceFirst(text, "*H*", FormatIntDigits(hours, 2));

    const std::int64_t minutes = remaining / 60;
    remaining -= minutes * 60;
    ReplaceFirst(text, "*m*", leadZero ? FormatIntDigits(minutes, 2) : FormatInt(minutes));
    ReplaceFirst(text, "*M*", FormatIntDigits(minutes, 2));

    ReplaceFirst(text, "*s*", leadZero ? FormatIntDigits(remaining, 2) : FormatInt(remaining));
    ReplaceFirst(text, "*S*", FormatIntDigits(remaining, 2));
    return text;
}

} // namespace keltrix
