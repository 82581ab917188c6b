// Format strings as the user types them: lines, link lines and drive-space lines.
#include "display/layout_text.h"
#include "display/links.h"
#include "tags/formatter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const std::string& line : keltrix::SplitFormatLines(text)) {
        if (line.find_first_of("\r\n") != std::string::npos) std::abort();
        keltrix::DriveLetterOfLine(line);
        if (!keltrix::IsLinkLine(line)) continue;
        const std::string entry = keltrix::BuildLinkEntry("FormatLabel0", line);
        const keltrix::TLinkEntry parts = keltrix::SplitLinkEntry(entry);
        // Links holding the separator themselves are not supported; the name survives anyway.
        if (parts.LabelName != "FormatLabel0") std::abort();
        // FILE links read files: their parsing is the same quoted-text rule.
        if (keltrix::AsciiUpper(keltrix::GetField(parts.Link, 1, "=")) == "FILE") continue;
        const std::string target = keltrix::ResolveLink(parts.Link).Target;
        if (target.find('"') != std::string::npos) std::abort();
    }
    return 0;
}
