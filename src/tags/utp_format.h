#pragma once
// Uptime, thread and process counts.

#include "tags/formatter.h"

namespace keltrix {

class TUTPFormat : public TFormatter {
public:
    explicit TUTPFormat(TRawDataShell& rawData);

    std::string UptimeFunc(const std::string& format, bool leadZero, bool decimal,
                           std::int32_t divisor);
    std::string ThreadsFunc(const std::string& format, bool leadZero, bool decimal,
                            std::int32_t divisor);
    std::string ProcessesFunc(const std::string& format, bool leadZero, bool decimal,
                              std::int32_t divisor);
};

} // namespace keltrix
