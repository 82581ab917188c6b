#pragma once
// Lists kept in settings as one line of comma-separated items.

#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

// Items of a comma text: blanks and control characters end an unquoted item as a comma does,
// so "a, b c" gives a, b and c. A quoted item runs to its closing quote ("" inside stands for
// one quote) and keeps blanks and commas. A comma at the very end adds an empty item.
std::vector<std::string> SplitCommaText(std::string_view text);

// Without leading and trailing blanks and control characters.
std::string_view TrimBlanks(std::string_view text);

// a to z upper-cased; every other byte (UTF-8 included) stays as it is.
void AsciiUpperInPlace(std::string& text);

} // namespace keltrix
