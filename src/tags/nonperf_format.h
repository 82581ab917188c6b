#pragma once
// Tags that do not come from the performance data: addresses, names, date and time, drive
// space, processor type, lines of text files.

#include "tags/formatter.h"

namespace keltrix {

class TNonPerfFormat : public TFormatter {
public:
    explicit TNonPerfFormat(TRawDataShell& rawData);

    // Also clears the drive letters of slots 1 to 16, so DriveSpace tags register afresh.
    void DecideIfActive(const std::string& formatString) override;

    std::string IPAddrFunc(const std::string& format, bool leadZero, bool decimal,
                           std::int32_t divisor);
    std::string CompNameFunc(const std::string& format, bool leadZero, bool decimal,
                             std::int32_t divisor);
    std::string UserNameFunc(const std::string& format, bool leadZero, bool decimal,
                             std::int32_t divisor);
    std::string DateTimeFunc(const std::string& format, bool leadZero, bool decimal,
                             std::int32_t divisor);
    std::string BlankFunc(const std::string& format, bool leadZero, bool decimal,
                          std::int32_t divisor);
    std::string DriveSpaceFunc(const std::string& format, bool leadZero, bool decimal,
                               std::int32_t divisor);
    std::string ProcTypeFunc(const std::string& format, bool leadZero, bool decimal,
                             std::int32_t divisor);
    std::string FileDataFunc(const std::string& format, bool leadZero, bool decimal,
                             std::int32_t divisor);
};

} // namespace keltrix
