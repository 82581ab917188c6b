#include "app/console_output.h"

#include "display/markup.h"

namespace keltrix {
namespace {

std::string Sgr(const TMarkupRun& run) {
    std::string codes = "0";
    if (run.Style.Bold) codes += ";1";
    if (run.Style.Italic) codes += ";3";
    if (run.Style.Underline) codes += ";4";
    // System colours and "none" have no fixed value on a terminal: keep its own colour.
    if (run.Color && !IsSystemColor(*run.Color) && *run.Color != clNone &&
        *run.Color != clDefault) {
        codes += ";38;2;" + std::to_string(RedOf(*run.Color)) + ";" +
                 std::to_string(GreenOf(*run.Color)) + ";" + std::to_string(BlueOf(*run.Color));
    }
    return "\x1b[" + codes + "m";
}

// Control characters would move the cursor, clear the screen or split a line: shown as "?",
// as ps shows them. C1 controls (U+0080 to U+009F) count too: some terminals obey them.
void AppendPrintable(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F) {
            out += '?';
        } else if (byte == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            out += '?';
            ++i;
        } else {
            out += text[i];
        }
    }
}

} // namespace

std::string ConsoleLine(std::string_view renderedLine, bool ansi) {
    std::string out;
    bool styled = false;
    for (const TMarkupRun& run : ParseMarkup(renderedLine)) {
        if (run.Text.empty()) continue;
        if (ansi) {
            const std::string sgr = Sgr(run);
            if (sgr != "\x1b[0m" || styled) out += sgr;
            styled = sgr != "\x1b[0m";
        }
        AppendPrintable(out, run.Text);
    }
    if (styled) out += "\x1b[0m";
    return out;
}

std::string ConsoleFrame(const std::vector<std::string>& renderedLines, bool ansi,
                         std::size_t previousLines) {
    std::string out;
    // Move up over the last frame and its empty line, clearing each line as it is rewritten.
    if (ansi && previousLines > 0) out += "\x1b[" + std::to_string(previousLines + 1) + "F";
    for (const std::string& line : renderedLines) {
        if (ansi) out += "\x1b[2K";
        out += ConsoleLine(line, ansi) + "\n";
    }
    if (ansi) {
        out += "\x1b[2K\n\x1b[J";
    } else if (renderedLines.size() != 1) {
        out += "\n"; // one line per frame is what status bars read: no empty line between
    }
    return out;
}

} // namespace keltrix
