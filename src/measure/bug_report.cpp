#include "measure/bug_report.h"

#include "measure/raw_data.h"

#include <ctime>

namespace keltrix {
namespace {

// The user's short date and long time formats come from the C library's locale.
std::string LocalStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[128];
    return std::string(buf, std::strftime(buf, sizeof buf, "%x %X", &tm));
}

} // namespace

void StartBugReport(std::vector<std::string>& report) {
    report.clear();
    report.emplace_back("****************************************************");
    report.emplace_back("* KELTRIX Bug Report                               *");
    report.emplace_back("****************************************************");
    report.emplace_back();
    report.push_back("Keltrix Version : " + std::to_string(KeltrixVersion));
    report.emplace_back("TimeStamp for Failure");
    report.push_back(LocalStamp());
    report.emplace_back();
}

void AddBugReportError(std::vector<std::string>& report, std::string_view className,
                       std::string_view message) {
    report.push_back("Error Name : " + std::string(className));
    report.push_back("Error Description\r\n-----------------\r\n" + std::string(message));
}

} // namespace keltrix
