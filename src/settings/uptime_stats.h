#pragma once
// Uptime statistics kept across runs: the longest uptime seen at an exit, and the sum and
// count of the uptimes seen at exits.

#include <cstdint>

namespace keltrix {

class TRegistryStore;

// "&Longest Uptime": stores the current uptime when it is longer and returns the longest.
std::int64_t UpdateLongestUptime(TRegistryStore& store, std::int64_t currentUptime);
// "Average &Uptime": TotalUptime / UptimeCount, or the current uptime without statistics.
std::int64_t AverageUptime(TRegistryStore& store, std::int64_t currentUptime);
// The exit's statistics: longest, total and count.
void RecordExitUptime(TRegistryStore& store, std::int64_t currentUptime);

} // namespace keltrix
