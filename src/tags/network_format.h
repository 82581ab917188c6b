#pragma once
// Network rates and totals, per counted interface or summed.

#include "tags/formatter.h"

namespace keltrix {

class TNetworkFormat : public TFormatter {
public:
    explicit TNetworkFormat(TRawDataShell& rawData);

    std::string ReadFunc(const std::string& format, bool leadZero, bool decimal,
                         std::int32_t divisor);
    std::string WriteFunc(const std::string& format, bool leadZero, bool decimal,
                          std::int32_t divisor);
    std::string ReadSumFunc(const std::string& format, bool leadZero, bool decimal,
                            std::int32_t divisor);
    std::string WriteSumFunc(const std::string& format, bool leadZero, bool decimal,
                             std::int32_t divisor);
};

} // namespace keltrix
