#include "update/update_file.h"

#include "measure/comma_text.h"
#include "tags/number_format.h"

namespace keltrix {
namespace {

std::string_view NextLine(std::string_view& text) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos) {
        text = {};
    } else {
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return line;
}

} // namespace

std::string PadVersionLine(std::string line) {
    if (line.size() < 2) line.resize(3, '0');
    return line;
}

TUpdateFile ParseUpdateFile(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    TUpdateFile file;
    file.VersionLine = std::string(NextLine(text));
    file.Page = std::string(NextLine(text));
    file.Version = ParseWholeNumber(TrimBlanks(PadVersionLine(file.VersionLine)));
    return file;
}

TUpdateVerdict Judge(const TUpdateFile& file) {
    if (!file.Version) return TUpdateVerdict::Unreadable;
    if (*file.Version > UpdateOwnVersion) return TUpdateVerdict::Newer;
    return *file.Version == UpdateOwnVersion ? TUpdateVerdict::Current : TUpdateVerdict::Outdated;
}

} // namespace keltrix
