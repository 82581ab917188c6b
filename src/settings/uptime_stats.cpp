#include "settings/uptime_stats.h"

#include "settings/registry_store.h"
#include "settings/settings_key.h"

#include <optional>

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

namespace {

// A 64-bit count of seconds as the settings keep it: up to 8 little-endian bytes.
std::optional<std::int64_t> Int64Of(const TRegKey& key, const char* name) {
    const TRegValue* value = key.Find(name);
    if (!value) return std::nullopt;
    if ((value->Type != TRegDataType::Binary && value->Type != TRegDataType::Other) ||
        value->Bytes.size() > 8)
        throw ERegistryException(std::string("Invalid data for '") + name +
                                 "': it is not 8 bytes of binary data");
    std::uint64_t v = 0;
    for (std::size_t i = value->Bytes.size(); i-- > 0;) v = (v << 8) | value->Bytes[i];
    return static_cast<std::int64_t>(v);
}

TRegValue Int64Value(const char* name, std::int64_t number) {
    TRegValue value;
    value.Name = name;
    value.Type = TRegDataType::Binary;
    auto v = static_cast<std::uint64_t>(number);
    for (int i = 0; i < 8; ++i, v >>= 8) value.Bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
    return value;
}

} // namespace

void RecordExitUptime(TRegistryStore& store, std::int64_t currentUptime) {
    // One change under the file's lock: instances that exit together each count.
    store.UpdateValues([currentUptime](TRegKey& key) {
        if (currentUptime > Int64Of(key, "LongestUptime").value_or(0))
            key.Set(Int64Value("LongestUptime", currentUptime));
        std::int64_t total = 0;
        std::uint32_t count = 0;
        const std::optional<std::int64_t> storedTotal = Int64Of(key, "TotalUptime");
        const TRegValue* storedCount = key.Find("UptimeCount");
        if (storedTotal && storedCount) {
            if (storedCount->Type != TRegDataType::Integer)
                throw ERegistryException("Invalid data for 'UptimeCount': it is not an integer");
            total = *storedTotal;
            count = storedCount->Number;
        }
        // A hand-edited total may be near the limit: wrap rather than overflow.
        key.Set(Int64Value("TotalUptime",
                           static_cast<std::int64_t>(static_cast<std::uint64_t>(total) +
                                                     static_cast<std::uint64_t>(currentUptime))));
        TRegValue counted;
        counted.Name = "UptimeCount";
        counted.Type = TRegDataType::Integer;
        counted.Number = count + 1;
        key.Set(std::move(counted));
    });
}

} // namespace keltrix
