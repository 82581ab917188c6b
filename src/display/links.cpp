#include "display/links.h"

#include "base/errors.h"
#include "display/layout_text.h"
#include "measure/codepage.h"
#include "platform/text_file.h"
#include "tags/formatter.h"

#include <filesystem>
#include <system_error>

namespace keltrix {
namespace {

constexpr std::string_view LinkOpening = "<LINK=";
constexpr std::string_view ParamOpening = "PARAM=";

bool IsRegularFile(const std::string& name) {
    std::error_code error;
    return !name.empty() && std::filesystem::is_regular_file(name, error);
}

} // namespace

bool IsLinkLine(std::string_view line) {
    return AsciiUpper(line).find(LinkOpening) != std::string::npos;
}

std::string BuildLinkEntry(std::string_view labelName, std::string_view line) {
    const std::size_t at = AsciiUpper(line).find(LinkOpening);
    std::string_view link =
        at == std::string::npos ? std::string_view{} : line.substr(at + LinkOpening.size());
    std::string param;
    // Upper-casing keeps every byte in its place, so positions carry over.
    if (const std::size_t p = AsciiUpper(link).find(ParamOpening); p != std::string::npos) {
        param = GetField(link.substr(p), 2, "\"");
        link = link.substr(0, p);
    }
    std::string entry(labelName);
    entry.append(LinkSeparator).append(link).append(LinkSeparator).append(param);
    return entry;
}

TLinkEntry SplitLinkEntry(std::string_view entry) {
    return {GetField(entry, 1, LinkSeparator), GetField(entry, 2, LinkSeparator),
            GetField(entry, 3, LinkSeparator)};
}

std::string FirstQuoted(std::string_view text) {
    const std::size_t open = text.find('"');
    if (open == std::string_view::npos) return {};
    const std::size_t close = text.find('"', open + 1);
    if (close == std::string_view::npos) return {};
    return std::string(text.substr(open + 1, close - open - 1));
}

std::optional<std::vector<std::string>> ReadTextLines(const std::string& fileName,
                                                      std::string* error) {
    std::string bytes;
    // Devices and pipes are refused: a link must not hang the window.
    if (!platform::ReadTextFile(fileName, bytes, error)) return std::nullopt;
    if (const std::size_t zero = bytes.find('\0'); zero != std::string::npos) bytes.resize(zero);
    return SplitFormatLines(FileTextToUtf8(bytes));
}

TFollowResult ResolveLink(std::string_view link) {
    if (AsciiUpper(GetField(link, 1, "=")) != "FILE") return {FirstQuoted(link), {}};

    const std::string fileAndLine = FirstQuoted(link);
    const std::string file = fileAndLine.substr(0, fileAndLine.find(','));
    if (!IsRegularFile(file))
        return {{}, "Unable to follow link - Destination is missing\r\n" + fileAndLine};
    std::string why;
    const auto lines = ReadTextLines(file, &why);
    if (!lines) throw EInOutError(why);
    const std::string lineText = GetField(fileAndLine, 2, ",");
    const std::int32_t number = StrToInt(lineText);
    if (number < 1 || static_cast<std::size_t>(number) > lines->size())
        return {{}, "Unable to follow link - Line #" + lineText + " doesn't exists"};
    return {(*lines)[static_cast<std::size_t>(number) - 1], {}};
}

std::string WorkingFolderOf(const std::string& target) {
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) return {};
    return folder.string();
}

std::optional<char> DriveLetterOfLine(std::string_view formatLine) {
    const std::string upper = AsciiUpper(formatLine);
    if (upper.find("NAME=DRIVESPACE") == std::string::npos) return std::nullopt;
    const std::size_t format = upper.find("FORMAT=\"");
    if (format == std::string::npos || upper.find("FORMAT=\"ALL") != std::string::npos)
        return std::nullopt;
    const std::size_t letter = format + 8;
    if (letter >= upper.size()) return std::nullopt;
    return upper[letter];
}

} // namespace keltrix
