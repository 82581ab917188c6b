#pragma once
// Power source and battery state from the power status in the record.

#include "tags/formatter.h"

namespace keltrix {

class TBatteryFormat : public TFormatter {
public:
    explicit TBatteryFormat(TRawDataShell& rawData);

    std::string SourceFunc(const std::string& format, bool leadZero, bool decimal,
                           std::int32_t divisor);
    std::string BatActivityFunc(const std::string& format, bool leadZero, bool decimal,
                                std::int32_t divisor);
    std::string BatPercentFunc(const std::string& format, bool leadZero, bool decimal,
                               std::int32_t divisor);
    std::string TimeLeftFunc(const std::string& format, bool leadZero, bool decimal,
                             std::int32_t divisor);
    std::string TimeTotalFunc(const std::string& format, bool leadZero, bool decimal,
                              std::int32_t divisor);
};

} // namespace keltrix
