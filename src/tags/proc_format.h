#pragma once
// Processor usage and the busiest process.

#include "tags/formatter.h"

namespace keltrix {

class TProcFormat : public TFormatter {
public:
    explicit TProcFormat(TRawDataShell& rawData);

    // Also renders the tray icon's number.
    std::string ProcUsageFunc(const std::string& format, bool leadZero, bool decimal,
                              std::int32_t divisor);
};

class TTopProcFormat : public TFormatter {
public:
    explicit TTopProcFormat(TRawDataShell& rawData);

    std::string TopProcFunc(const std::string& format, bool leadZero, bool decimal,
                            std::int32_t divisor);
};

} // namespace keltrix
