#include "settings/default_format.h"

#include <string_view>

namespace keltrix {
namespace {

std::string UsageOf(const TFormatterList& formatters, std::string_view title) {
    for (const auto& f : formatters) {
        std::string usage = f->GetDefaultUsage(title);
        if (!usage.empty()) return usage;
    }
    return {};
}

} // namespace

std::string DefaultFormatString(const TFormatterList& formatters) {
    auto u = [&](std::string_view title) { return UsageOf(formatters, title); };
    return u("Processor Usage") + "\r\n" + u("System Processes Count") + u("System Thread Count") +
           "\r\n" + u("Uptime") + "\r\n" + u("PageUsed") + "/" + u("PageTotal") + "\r\n" +
           u("RAMUsed") + "/" + u("RAMTotal") + "\r\n" + u("Date and Time") + "\r\n" +
           u("IP Addresses") + "\r\n" + u("Computer Name");
}

} // namespace keltrix
