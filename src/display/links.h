#pragma once
// Clickable display lines: the link table's entries, the target a click on a link line opens,
// and the drive a click on a drive-space line opens. Plain C++: the format string is user
// input, so this is fuzzed without a display.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

// Separates the fields of a link-table entry: "§" (the ANSI byte 0xA7), here in UTF-8.
inline constexpr std::string_view LinkSeparator = "\xC2\xA7";

// A line with "<LINK=" in any letter case; the whole line is clickable.
bool IsLinkLine(std::string_view line);

// label name § link text § parameter. The link text runs from after "<LINK=" to the end of
// the line, cut before PARAM= when there is one; the parameter is PARAM='s quoted text.
std::string BuildLinkEntry(std::string_view labelName, std::string_view line);

struct TLinkEntry {
    std::string LabelName;
    std::string Link;
    std::string Param;
};
TLinkEntry SplitLinkEntry(std::string_view entry);

// What a click on a link line starts, or the message that says why nothing starts.
struct TFollowResult {
    std::string Target;
    std::string Message;
};

// The quoted target of a link text, or, for FILE="name,line", that line of that text file.
// An empty target means nothing is started. A FILE link whose line part is not a whole number
// throws EConvertError; a file that exists but cannot be read throws EInOutError.
TFollowResult ResolveLink(std::string_view link);

// The text between the first two double quotes; empty when there are fewer than two.
std::string FirstQuoted(std::string_view text);

// A text file's lines as the FileData tag reads them: reading stops at the first zero byte,
// CR LF, CR or LF end a line, Windows-1252 files are taken to UTF-8. None, with the reason,
// when the file cannot be read.
std::optional<std::vector<std::string>> ReadTextLines(const std::string& fileName,
                                                      std::string* error = nullptr);

// The folder to start a target in: the target's folder when it is one, else none (addresses
// and bare program names start in the current folder).
std::string WorkingFolderOf(const std::string& target);

// The drive a drive-space line opens: the character after the line's first FORMAT=", unless
// the line has no drive-space tag or a FORMAT="ALL... value.
std::optional<char> DriveLetterOfLine(std::string_view formatLine);

} // namespace keltrix
