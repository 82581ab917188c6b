#include "tags/battery_format.h"

#include "tags/duration_format.h"
#include "tags/number_format.h"

namespace keltrix {

namespace {

constexpr std::uint32_t UnknownTime = 0xFFFFFFFF;

std::string BatteryTime(std::uint32_t seconds, const std::string& format, bool leadZero) {
    if (seconds == UnknownTime) return "Unknown";
    return FormatDuration(format, leadZero, seconds);
}

} // namespace

TBatteryFormat::TBatteryFormat(TRawDataShell& rawData) : TFormatter(rawData) {
    AddTag("Power Source", "Source",
           "Displays which power source is being used, AC or Battery. Uses SIZE",
           "<NAME=Source SIZE=5>", &TBatteryFormat::SourceFunc);
    AddTag("Battery Activity", "BatActivity",
           "Displays what state the battery is currently in. Uses SIZE",
           "<NAME=BatActivity SIZE=5>", &TBatteryFormat::BatActivityFunc);
    AddTag("Battery Percentage", "BatPercent",
           "Displays how much battery power is remaining. Uses SIZE", "<NAME=BatPercent SIZE=5>",
           &TBatteryFormat::BatPercentFunc);
    AddTag("Battery Time Remaining", "TimeLeft",
           "Displays how much battery time is remaining. Uses the same formatting strings as "
           "Uptime (*d*, *h*, etc.). Uses SIZE, FORMAT, ZERO",
           "<NAME=TimeLeft SIZE=5>", &TBatteryFormat::TimeLeftFunc);
    AddTag("Battery Time Total", "TimeTotal",
           "Displays how much battery time the battery lasts for at full charge. Uses the same "
           "formatting strings as Uptime (*d*, *h*, etc.). Uses SIZE, FORMAT, ZERO",
           "<NAME=TimeTotal SIZE=5>", &TBatteryFormat::TimeTotalFunc);
}

std::string TBatteryFormat::SourceFunc(const std::string&, bool, bool, std::int32_t) {
    switch (Record().Power.ACLineStatus) {
    case 0:
        return "Battery";
    case 1:
        return "AC";
    default:
        return "UNKNOWN";
    }
}

std::string TBatteryFormat::BatActivityFunc(const std::string&, bool, bool, std::int32_t) {
    // The flag byte as a whole: combinations such as charging-and-high are not named.
    switch (Record().Power.BatteryFlag) {
    case 1:
        return "High";
    case 2:
        return "Low";
    case 4:
        return "Critical";
    case 8:
        return "Charging";
    case 128:
        return "No battery";
    default:
        return "UNKNOWN";
    }
}

std::string TBatteryFormat::BatPercentFunc(const std::string&, bool, bool, std::int32_t) {
    const std::uint8_t percent = Record().Power.BatteryLifePercent;
    return percent <= 101 ? FormatInt(percent) : "Unknown";
}

std::string TBatteryFormat::TimeLeftFunc(const std::string& format, bool leadZero, bool,
                                         std::int32_t) {
    return BatteryTime(Record().Power.BatteryLifeTime, format, leadZero);
}

std::string TBatteryFormat::TimeTotalFunc(const std::string& format, bool leadZero, bool,
                                          std::int32_t) {
    return BatteryTime(Record().Power.BatteryFullLifeTime, format, leadZero);
}

} // namespace keltrix
