#include "app/console_json.h"

#include <cstdio>

namespace keltrix {

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonFrame(const std::vector<std::string>& lines) {
    std::string text, list, tooltip;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += (i ? " " : "") + lines[i];
        tooltip += (i ? "\n" : "") + lines[i];
        list += (i ? ", " : "") + JsonString(lines[i]);
    }
    return "{\"text\": " + JsonString(text) + ", \"lines\": [" + list +
           "], \"tooltip\": " + JsonString(tooltip) + "}\n";
}

} // namespace keltrix
