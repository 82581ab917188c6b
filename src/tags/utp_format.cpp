#include "tags/utp_format.h"

#include "tags/duration_format.h"
#include "tags/number_format.h"

namespace keltrix {

namespace {

std::string UptimeDescription() {
    std::string text =
        "Current System Uptime. <NAME=Uptime>. Uses FORMAT, SIZE, LEADZERO. LEADZERO in this "
        "context will force leading zeroes, even if the format string contains lowercase "
        "(non-leading) modifiers. Valid FORMAT items: "
        "For the Uptime, you have the option of using format strings which "
        "lets you customize the appearance of the data. First, any free form text will appear "
        "as is."
        " Next, you can use any of the following items anywhere in the text to add particular "
        "numbers.\r\n";
    for (const char* line :
         {"*d* days, no leading zero", "*D* Days, with leading zero", "*h* hours, no leading zero",
          "*H* Hours, with leading zero", "*m* duh", "*M* duh", "*s* duh", "*S* duh"}) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace

TUTPFormat::TUTPFormat(TRawDataShell& rawData) : TFormatter(rawData) {
    AddTag("Uptime", "Uptime", UptimeDescription(),
           "<NAME=Uptime FORMAT=\"*d* days, *H* hrs, *M* mins, *S* secs\" SIZE=20>",
           &TUTPFormat::UptimeFunc);
    AddTag("System Thread Count", "Threads",
           "Total number of Threads active across the system. Uses SIZE. <NAME=Threads>.",
           "Threads: <NAME=Threads SIZE=5>", &TUTPFormat::ThreadsFunc);
    AddTag("System Processes Count", "Processes",
           "Total number of Processes active across the system. Uses SIZE. <NAME=Processes>.",
           "Processes: <NAME=Processes SIZE=5>", &TUTPFormat::ProcessesFunc);
}

std::string TUTPFormat::UptimeFunc(const std::string& format, bool leadZero, bool, std::int32_t) {
    return FormatDuration(format, leadZero, Record().Uptime);
}

std::string TUTPFormat::ThreadsFunc(const std::string&, bool, bool, std::int32_t) {
    return FormatInt(Record().Threads);
}

std::string TUTPFormat::ProcessesFunc(const std::string&, bool, bool, std::int32_t) {
    return FormatInt(Record().Processes);
}

} // namespace keltrix
