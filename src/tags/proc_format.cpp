#include "tags/proc_format.h"

#include "tags/number_format.h"

namespace keltrix {

TProcFormat::TProcFormat(TRawDataShell& rawData) : TFormatter(rawData) {
    AddTag("Processor Usage", "ProcUsage",
           "Displays processor usage as a percentage. <NAME=ProcUsage>. Uses FORMAT, LEADZERO, "
           "DECIMAL, SIZE. Set Format to the number processor you would like to display (1-4), "
           "or ALL for the total.",
           "Proc %: <NAME=ProcUsage LEADZERO DECIMAL SIZE=5 FORMAT=\"ALL\">",
           &TProcFormat::ProcUsageFunc);
}

std::string TProcFormat::ProcUsageFunc(const std::string& format, bool leadZero, bool decimal,
                                       std::int32_t) {
    const float value = Record().ProcUsage[EntryIndex(format)];
    return ApplyLeadZero(FormatFloat(value, decimal), value, leadZero);
}

TTopProcFormat::TTopProcFormat(TRawDataShell& rawData) : TFormatter(rawData) {
    AddTag("Top Process", "TopProc",
           "Displays processor usage as a percentage. <NAME=TopProc>. Uses FORMAT, LEADZERO, "
           "DECIMAL, SIZE. Set Format to \"Title\" for the process title, or \"%\" for the "
           "percentage of processor it is taking up.",
           "Top Process: <NAME=TopProc FORMAT=\"Title\">", &TTopProcFormat::TopProcFunc);
}

std::string TTopProcFormat::TopProcFunc(const std::string& format, bool leadZero, bool decimal,
                                        std::int32_t) {
    // The stored name is "(position)name".
    if (SameTextAscii(format, "Title")) return GetField(Record().TopProcName.Get(), 2, ")");
    if (format == "%") {
        const double value = Record().TopProcPercent;
        return ApplyLeadZero(FormatFloat(value, decimal), value, leadZero);
    }
    return {};
}

} // namespace keltrix
