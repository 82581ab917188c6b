#include "settings/uptime_stats.h"

#include "settings/registry_store.h"
#include "settings/settings_key.h"

namespace keltrix {

std::int64_t UpdateLongestUptime(TRegistryStore& store, std::int64_t currentUptime) {
    std::int64_t longest =
        store.ValueExists("LongestUptime") ? ReadInt64Bytes(store, "LongestUptime") : 0;
    if (currentUptime > longest) {
        WriteInt64Bytes(store, "LongestUptime", currentUptime);
        longest = currentUptime;
    }
    return longest;
}

std::int64_t AverageUptime(TRegistryStore& store, std::int64_t currentUptime) {
    if (!store.ValueExists("TotalUptime") || !store.ValueExists("UptimeCount"))
        return currentUptime;
    const std::int64_t count = store.ReadInteger("UptimeCount");
    // A count of 0 can only come from a hand-edited file: show the current uptime then.
    if (count <= 0) return currentUptime;
    return ReadInt64Bytes(store, "TotalUptime") / count;
}

void RecordExitUptime(TRegistryStore& store, std::int64_t currentUptime) {
    UpdateLongestUptime(store, currentUptime);
    std::int64_t total = 0;
    std::int32_t count = 0;
    if (store.ValueExists("TotalUptime") && store.ValueExists("UptimeCount")) {
        total = ReadInt64Bytes(store, "TotalUptime");
        count = store.ReadInteger("UptimeCount");
    }
    WriteInt64Bytes(store, "TotalUptime", total + currentUptime);
    store.WriteInteger("UptimeCount", count + 1);
}

} // namespace keltrix
