#pragma once
// Power status in the shape of GetSystemPowerStatus.

#include "platform/win_types.h"

#include <cstdint>
#include <string>

namespace keltrix::platform {

struct SYSTEM_POWER_STATUS {
    std::uint8_t ACLineStatus;       // 0 offline, 1 online, 255 unknown
    std::uint8_t BatteryFlag;        // 1 high, 2 low, 4 critical, 8 charging, 128 none, 255 unknown
    std::uint8_t BatteryLifePercent; // 0..100, 255 unknown
    std::uint8_t Reserved1;
    std::uint32_t BatteryLifeTime;     // seconds, BATTERY_LIFE_UNKNOWN when not known
    std::uint32_t BatteryFullLifeTime; // seconds, BATTERY_LIFE_UNKNOWN when not known
};
static_assert(sizeof(SYSTEM_POWER_STATUS) == 12);

inline constexpr std::uint8_t AC_LINE_OFFLINE = 0;
inline constexpr std::uint8_t AC_LINE_ONLINE = 1;
inline constexpr std::uint8_t AC_LINE_UNKNOWN = 255;
inline constexpr std::uint8_t BATTERY_FLAG_HIGH = 1;
inline constexpr std::uint8_t BATTERY_FLAG_LOW = 2;
inline constexpr std::uint8_t BATTERY_FLAG_CRITICAL = 4;
inline constexpr std::uint8_t BATTERY_FLAG_CHARGING = 8;
inline constexpr std::uint8_t BATTERY_FLAG_NO_BATTERY = 128;
inline constexpr std::uint8_t BATTERY_FLAG_UNKNOWN = 255;
inline constexpr std::uint8_t BATTERY_PERCENTAGE_UNKNOWN = 255;
inline constexpr std::uint32_t BATTERY_LIFE_UNKNOWN = 0xFFFFFFFF;

// From <root>/sys/class/power_supply. A machine without that folder has no battery and an
// unknown line status; a supply whose files cannot be read is reported as a failure (status
// then holds the "unknown" values).
TResult GetSystemPowerStatus(SYSTEM_POWER_STATUS& status, const std::string& root = "/");

} // namespace keltrix::platform

namespace keltrix::platform {

// Event codes of the power broadcast: about to suspend or stand by, and resumed.
inline constexpr int PBT_APMSUSPEND = 4;
inline constexpr int PBT_APMSTANDBY = 5;
inline constexpr int PBT_APMRESUMECRITICAL = 6;
inline constexpr int PBT_APMRESUMESUSPEND = 7;
inline constexpr int PBT_APMRESUMESTANDBY = 8;

} // namespace keltrix::platform
