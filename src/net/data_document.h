#pragma once
// The data document: every value of the tags in use and every line on show, as one XML text.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace keltrix {

// Blanks, '*', '#', '%', '<', '>' and every byte from 128 (of the Windows-1252 form) become
// %XX; then "%20" turns back into a blank, so blanks stay as they are.
std::string EscapeDocumentText(std::string_view utf8);

// raw: element name and rendered value in order (a repeated name sets the element again);
// formatted: the display's lines. Gives the serialised document with its declaration.
std::string BuildDataDocument(const std::vector<std::pair<std::string, std::string>>& raw,
                              const std::vector<std::string>& formatted);

// "Processor Usage" gives "Processor_Usage".
std::string ElementNameOfTitle(std::string_view title);

} // namespace keltrix
