#include "tags/network_format.h"

#include "tags/number_format.h"

namespace keltrix {

namespace {

constexpr const char* NicHelp = " Uses FORMAT, LEADZERO, DECIMAL, SIZE. Set Format to the number "
                                "NIC you would like to display (1-4), or ALL for the total.";

std::string Render(const float (&field)[5], const std::string& format, bool leadZero, bool decimal,
                   std::int32_t divisor, bool thousands) {
    // Single precision throughout, as the record holds it.
    float value = field[EntryIndex(format)] / static_cast<float>(EffectiveDivisor(divisor));
    if (format == "b") value *= 8; // kilobits
    std::string text =
        thousands ? FormatFloatThousands(value, decimal) : FormatFloat(value, decimal);
    return ApplyLeadZero(std::move(text), value, leadZero);
}

} // namespace

TNetworkFormat::TNetworkFormat(TRawDataShell& rawData) : TFormatter(rawData) {
    AddTag("Network Read Stats", "NetRead",
           std::string("Bytes Read from all network adapters, in KB/sec. <NAME=NetRead>.") +
               NicHelp,
           "KB Read: <NAME=NetRead LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
           &TNetworkFormat::ReadFunc);
    AddTag("Network Write Stats", "NetWrite",
           std::string("Bytes Written to all network adapters, in KB/sec. <NAME=NetWrite>.") +
               NicHelp,
           "KB Write: <NAME=NetWrite LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
           &TNetworkFormat::WriteFunc);
    AddTag("Network Bytes Read", "NetSumRead",
           std::string("Bytes Read from all network adapters since system startup, in KB. "
                       "<NAME=NetSumRead>.") +
               NicHelp,
           "KB Read Sum: <NAME=NetSumRead LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
           &TNetworkFormat::ReadSumFunc);
    AddTag("Network Bytes Written", "NetSumWrite",
           std::string("Bytes Written to all network adapters since system startup, in KB. "
                       "<NAME=NetSumWrite>.") +
               NicHelp,
           "KB Write Sum: <NAME=NetSumWrite LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
           &TNetworkFormat::WriteSumFunc);
}

std::string TNetworkFormat::ReadFunc(const std::string& format, bool leadZero, bool decimal,
                                     std::int32_t divisor) {
    return Render(Record().NetRead, format, leadZero, decimal, divisor, false);
}

std::string TNetworkFormat::WriteFunc(const std::string& format, bool leadZero, bool decimal,
                                      std::int32_t divisor) {
    return Render(Record().NetWrite, format, leadZero, decimal, divisor, false);
}

std::string TNetworkFormat::ReadSumFunc(const std::string& format, bool leadZero, bool decimal,
                                        std::int32_t divisor) {
    return Render(Record().NetReadSum, format, leadZero, decimal, divisor, true);
}

std::string TNetworkFormat::WriteSumFunc(const std::string& format, bool leadZero, bool decimal,
                                         std::int32_t divisor) {
    return Render(Record().NetWriteSum, format, leadZero, decimal, divisor, true);
}

} // namespace keltrix
