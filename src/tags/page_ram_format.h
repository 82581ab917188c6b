#pragma once
// Page file (commit) and physical memory, in MB or as a percentage.

#include "tags/formatter.h"

namespace keltrix {

class TPageRAMFormat : public TFormatter {
public:
    explicit TPageRAMFormat(TRawDataShell& rawData);

    std::string PageTotalFunc(const std::string& format, bool leadZero, bool decimal,
                              std::int32_t divisor);
    std::string PageUsedFunc(const std::string& format, bool leadZero, bool decimal,
                             std::int32_t divisor);
    std::string PageFreeFunc(const std::string& format, bool leadZero, bool decimal,
                             std::int32_t divisor);
    std::string RAMTotalFunc(const std::string& format, bool leadZero, bool decimal,
                             std::int32_t divisor);
    std::string RAMUsedFunc(const std::string& format, bool leadZero, bool decimal,
                            std::int32_t divisor);
    std::string RAMFreeFunc(const std::string& format, bool leadZero, bool decimal,
                            std::int32_t divisor);
};

} // namespace keltrix
