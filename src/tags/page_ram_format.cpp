#include "tags/page_ram_format.h"

#include "measure/memory_scale.h"
#include "tags/number_format.h"

namespace keltrix {

namespace {

constexpr const char* PercentHelp = ", FORMAT. Use FORMAT=\"%\" to display the value as a "
                                    "percentage, instead of an absolute value, which is the "
                                    "default";

// Taken in full width, so large divisors still divide (a 32-bit product would wrap).
double Megabytes(std::uint64_t bytes, std::int32_t divisor) {
    return static_cast<double>(bytes) /
           (static_cast<double>(EffectiveDivisor(divisor)) * 1048576.0);
}

// Single precision; a zero total (no sample yet) reads as 0 %.
float Percent(std::uint64_t part, std::uint64_t total) {
    if (total == 0) return 0;
    return static_cast<float>(part) / static_cast<float>(total) * 100.0f;
}

// Counts in the record's units; differences wrap in those units as the fields do.
std::string Render(const TRawData& data, std::uint32_t part, std::uint32_t total,
                   const std::string& format, bool decimal, std::int32_t divisor) {
    const std::uint64_t partBytes = MemoryUnitsToBytes(data, part);
    if (format == "%")
        return FormatFloat(Percent(partBytes, MemoryUnitsToBytes(data, total)), decimal);
    return FormatFloat(Megabytes(partBytes, divisor), decimal);
}

} // namespace

TPageRAMFormat::TPageRAMFormat(TRawDataShell& rawData) : TFormatter(rawData) {
    AddTag("PageTotal", "PageTotal",
           "Total Bytes in Pagefile, expressed in MB. <NAME=PageTotal>. Uses SIZE, DIV",
           "PageTotal: <NAME=PageTotal>", &TPageRAMFormat::PageTotalFunc);
    AddTag("PageUsed", "PageUsed",
           std::string("Used Bytes in Pagefile, expressed in MB. <NAME=PageUsed>. Uses SIZE, DIV") +
               PercentHelp,
           "PageUsed: <NAME=PageUsed>", &TPageRAMFormat::PageUsedFunc);
    AddTag("PageFree", "PageFree",
           std::string("Free Bytes in Pagefile, expressed in MB. <NAME=PageFree>. Uses SIZE, DIV") +
               PercentHelp,
           "PageFree: <NAME=PageFree>", &TPageRAMFormat::PageFreeFunc);
    AddTag("RAMTotal", "RAMTotal",
           "Total Bytes in RAM, expressed in MB. <NAME=RAMTotal>. Uses SIZE, DIV",
           "RAMTotal: <NAME=RAMTotal>", &TPageRAMFormat::RAMTotalFunc);
    AddTag("RAMUsed", "RAMUsed",
           std::string("Used Bytes in RAM, expressed in MB. <NAME=RAMUsed>. Uses SIZE, DIV") +
               PercentHelp,
           "RAMUsed: <NAME=RAMUsed>", &TPageRAMFormat::RAMUsedFunc);
    AddTag("RAMFree", "RAMFree",
           std::string("Free Bytes in RAM, expressed in MB. <NAME=RAMFree>. Uses SIZE, DIV") +
               PercentHelp,
           "RAMFree: <NAME=RAMFree>", &TPageRAMFormat::RAMFreeFunc);
}

// The record's PageTotal is the commit limit; this tag shows the page files alone.
std::string TPageRAMFormat::PageTotalFunc(const std::string&, bool, bool decimal,
                                          std::int32_t divisor) {
    const TRawData& data = Record();
    return FormatFloat(Megabytes(MemoryUnitsToBytes(data, data.PageTotal - data.RAMTotal), divisor),
                       decimal);
}

std::string TPageRAMFormat::PageUsedFunc(const std::string& format, bool, bool decimal,
                                         std::int32_t divisor) {
    const TRawData& data = Record();
    return Render(data, data.PageTotal - data.PageFree, data.PageTotal, format, decimal, divisor);
}

std::string TPageRAMFormat::PageFreeFunc(const std::string& format, bool, bool decimal,
                                         std::int32_t divisor) {
    const TRawData& data = Record();
    return Render(data, data.PageFree, data.PageTotal, format, decimal, divisor);
}

std::string TPageRAMFormat::RAMTotalFunc(const std::string&, bool, bool decimal,
                                         std::int32_t divisor) {
    return FormatFloat(Megabytes(MemoryBytes(Record(), TMemoryField::RAMTotal), divisor), decimal);
}

std::string TPageRAMFormat::RAMUsedFunc(const std::string& format, bool, bool decimal,
                                        std::int32_t divisor) {
    const TRawData& data = Record();
    return Render(data, data.RAMTotal - data.RAMFree, data.RAMTotal, format, decimal, divisor);
}

std::string TPageRAMFormat::RAMFreeFunc(const std::string& format, bool, bool decimal,
                                        std::int32_t divisor) {
    const TRawData& data = Record();
    return Render(data, data.RAMFree, data.RAMTotal, format, decimal, divisor);
}

} // namespace keltrix
