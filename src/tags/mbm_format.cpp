#include "tags/mbm_format.h"

#include "tags/number_format.h"

namespace keltrix {

namespace {

constexpr const char* StarterHelp =
    "Can be read without MBM running (though MBM must still have been installed) if the "
    "MBMStarter DLL is in the same directory.";

} // namespace

TMBMFormat::TMBMFormat(TRawDataShell& rawData) : TFormatter(rawData) {
    for (int n = 1; n <= SensorCount; ++n) {
        const std::string number = std::to_string(n);
        const std::string name = "Temp" + number;
        AddTag("Temperature " + number, name,
               "Reports data from temperature sensor #" + number + " in MBM. " + StarterHelp +
                   " Uses SIZE, FORMAT. <NAME=" + name + ">. " +
                   "Format tags are C or F, for Celsius and Fahrenheit respectively. Default "
                   "Celsius.",
               // U+00BA stands in for the degree sign, as it always has.
               name + ": <NAME=" + name + " FORMAT=\"C\">\u00BA",
               [this, n](const std::string& format, bool, bool, std::int32_t) {
                   return TempFunc(n, format);
               });
    }
    for (int n = 1; n <= SensorCount; ++n) {
        const std::string number = std::to_string(n);
        const std::string name = "Fan" + number;
        AddTag("Fan " + number, name,
               "Reports speed of Fan " + number + " Sensor in MBM. " + StarterHelp +
                   " Uses SIZE. <NAME=" + name + ">. ",
               name + ": <NAME=" + name + ">",
               [this, n](const std::string&, bool, bool, std::int32_t) { return FanFunc(n); });
    }
}

std::string TMBMFormat::TempFunc(int sensor, const std::string& format) {
    const std::int32_t celsius = Record().Temp[sensor - 1];
    if (AsciiUpper(format) == "F") return FormatG(celsius * 9.0 / 5.0 + 32.0);
    return FormatG(celsius);
}

std::string TMBMFormat::FanFunc(int sensor) {
    const std::int32_t speed = Record().Fan[sensor - 1];
    // 255 is what the monitor reports for a fan it cannot read.
    return speed == 255 ? "0" : FormatInt(speed);
}

} // namespace keltrix
