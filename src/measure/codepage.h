#pragma once
// Windows-1252 is the byte form of text wherever text leaves the program (record, files for
// Windows peers); inside, text is UTF-8.

#include <string>
#include <string_view>

namespace keltrix {

// Characters that Windows-1252 cannot hold become '?'. Invalid UTF-8 bytes are taken as
// Windows-1252 already.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
// The "RU" character set: the same bytes read as Windows-1251.
std::string Cp1251ToUtf8(std::string_view bytes);
bool IsValidUtf8(std::string_view text);
// Text files may be UTF-8 or Windows-1252: valid UTF-8 is kept, anything else converted.
std::string FileTextToUtf8(std::string_view bytes);

} // namespace keltrix
