#pragma once
// The bug report that "-debug" keeps during each sample, saved as a dump file when it fails.

#include <string>
#include <string_view>
#include <vector>

namespace keltrix {

// The frame, the version and the local date and time the sample started.
void StartBugReport(std::vector<std::string>& report);
void AddBugReportError(std::vector<std::string>& report, std::string_view className,
                       std::string_view message);

} // namespace keltrix
