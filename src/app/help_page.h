#pragma once
// The network help page that "-?" writes and opens.

#include <string>
#include <vector>

namespace keltrix {

std::vector<std::string> HelpPageLines();
std::string HelpPagePath(); // the temporary folder + "/vsinftmp.htm"
// Writes the page (lines ended by CR LF, an old file overwritten); throws EInOutError.
void WriteHelpPage(const std::string& path);

} // namespace keltrix
