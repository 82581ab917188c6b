#include "platform/power_status.h"

#include "platform/linux/proc_parse.h"
#include "platform/linux/sys_files.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <dirent.h>
#include <vector>

namespace keltrix::platform {
namespace {

using detail::TPowerSupply;

// Values are clamped to this so that sums of hostile values cannot overflow.
constexpr std::int64_t Max = std::int64_t{1} << 40;

constexpr const char* AttributeFiles[] = {"type",       "scope",       "status",      "online",
                                          "capacity",   "energy_now",  "energy_full", "power_now",
                                          "charge_now", "charge_full", "current_now"};

// uevent carries every value in one read; the separate files serve kernels without it.
TResult ReadSupply(const std::string& dir, TPowerSupply& supply) {
    std::string text;
    const std::string uevent = dir + "/uevent";
    if (detail::ReadWholeFile(uevent, text)) {
        detail::ParsePowerSupplyUevent(text, supply);
        if (supply.Type.empty() && detail::ReadWholeFile(dir + "/type", text))
            supply.Type.assign(detail::Trim(text));
        return TResult::Success();
    }
    if (errno != ENOENT) return detail::ReadFailure(uevent, errno);
    for (const char* name : AttributeFiles) {
        const std::string path = dir + "/" + name;
        if (detail::ReadWholeFile(path, text)) {
            detail::SetPowerSupplyValue(name, text, supply);
        } else if (errno != ENOENT && errno != ENODATA) {
            return detail::ReadFailure(path, errno);
        }
    }
    return TResult::Success();
}

// Seconds for amount (µWh or µAh) at rate (µW or µA); unknown when it cannot be told.
std::uint32_t Seconds(std::int64_t amount, std::int64_t rate) {
    if (amount < 0 || rate == 0) return BATTERY_LIFE_UNKNOWN;
    const double seconds =
        static_cast<double>(amount) * 3600.0 / std::fabs(static_cast<double>(rate));
    if (!(seconds < static_cast<double>(BATTERY_LIFE_UNKNOWN))) return BATTERY_LIFE_UNKNOWN;
    return static_cast<std::uint32_t>(seconds);
}

void Summarise(const std::vector<TPowerSupply>& batteries, SYSTEM_POWER_STATUS& status) {
    bool charging = false, discharging = false;
    int percentSum = 0, percentCount = 0;
    bool allEnergy = true, allCharge = true;
    std::int64_t energyNow = 0, energyFull = 0, power = 0;
    std::int64_t chargeNow = 0, chargeFull = 0, current = 0;
    for (const TPowerSupply& b : batteries) {
        charging |= b.Status == "Charging";
        discharging |= b.Status == "Discharging";
        std::optional<double> percent;
        if (b.Capacity)
            percent = static_cast<double>(*b.Capacity);
        else if (b.EnergyNow && b.EnergyFull && *b.EnergyFull > 0)
            percent =
                static_cast<double>(*b.EnergyNow) * 100.0 / static_cast<double>(*b.EnergyFull);
        if (percent) {
            percentSum += static_cast<int>(std::clamp(*percent, 0.0, 100.0));
            ++percentCount;
        }
        allEnergy = allEnergy && b.EnergyNow && b.EnergyFull && b.PowerNow;
        allCharge = allCharge && b.ChargeNow && b.ChargeFull && b.CurrentNow;
        auto add = [](std::int64_t& sum, const std::optional<std::int64_t>& v) {
            if (!v) return;
            const std::int64_t c = std::clamp(*v, -Max, Max);
            sum += c < 0 ? -c : c;
        };
        add(energyNow, b.EnergyNow);
        add(energyFull, b.EnergyFull);
        add(power, b.PowerNow);
        add(chargeNow, b.ChargeNow);
        add(chargeFull, b.ChargeFull);
        add(current, b.CurrentNow);
    }

    if (percentCount > 0) {
        const int percent = (percentSum + percentCount / 2) / percentCount;
        status.BatteryLifePercent = static_cast<std::uint8_t>(percent);
        if (charging)
            status.BatteryFlag = BATTERY_FLAG_CHARGING;
        else if (percent < 5)
            status.BatteryFlag = BATTERY_FLAG_CRITICAL;
        else if (percent < 33)
            status.BatteryFlag = BATTERY_FLAG_LOW;
        else if (percent > 66)
            status.BatteryFlag = BATTERY_FLAG_HIGH;
        else
            status.BatteryFlag = 0;
    } else {
        status.BatteryLifePercent = BATTERY_PERCENTAGE_UNKNOWN;
        status.BatteryFlag = charging ? BATTERY_FLAG_CHARGING : BATTERY_FLAG_UNKNOWN;
    }

    // Times are told only while the batteries run the machine.
    if (!discharging || charging) return;
    if (allEnergy) {
        status.BatteryLifeTime = Seconds(energyNow, power);
        status.BatteryFullLifeTime = Seconds(energyFull, power);
    } else if (allCharge) {
        status.BatteryLifeTime = Seconds(chargeNow, current);
        status.BatteryFullLifeTime = Seconds(chargeFull, current);
    }
}

} // namespace

TResult GetSystemPowerStatus(SYSTEM_POWER_STATUS& status, const std::string& root) {
    status = {AC_LINE_UNKNOWN,      BATTERY_FLAG_NO_BATTERY, BATTERY_PERCENTAGE_UNKNOWN, 0,
              BATTERY_LIFE_UNKNOWN, BATTERY_LIFE_UNKNOWN};
    const std::string base = detail::JoinRoot(root, "/sys/class/power_supply");
    DIR* dir = ::opendir(base.c_str());
    if (!dir) {
        if (errno == ENOENT) return TResult::Success(); // no supplies known to the kernel
        return detail::ReadFailure(base, errno);
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    bool mainsSeen = false, mainsOnline = false;
    std::vector<TPowerSupply> batteries;
    for (const std::string& name : names) {
        TPowerSupply supply;
        if (TResult read = ReadSupply(base + "/" + name, supply); !read) {
            status.BatteryFlag = BATTERY_FLAG_UNKNOWN;
            return read;
        }
        if (supply.Type == "Mains") {
            if (supply.Online) {
                mainsSeen = true;
                mainsOnline |= *supply.Online != 0;
            }
        } else if (supply.Type == "Battery" && supply.Scope != "Device") {
            batteries.push_back(std::move(supply));
        }
    }
    if (mainsSeen) status.ACLineStatus = mainsOnline ? AC_LINE_ONLINE : AC_LINE_OFFLINE;
    if (!batteries.empty()) Summarise(batteries, status);
    return TResult::Success();
}

} // namespace keltrix::platform
