#pragma once
// Durations written with the tokens *d*, *D*, *h*, *H*, *m*, *M*, *s*, *S*: shared by the
// uptime and battery tags and the uptime statistics messages.

#include <cstdint>
#include <string>

namespace keltrix {

// Each token is replaced at its first occurrence only; every unit is the remainder after the
// larger ones. The lead-zero flag pads the lower-case tokens like their upper-case twins.
std::string FormatDuration(const std::string& format, bool leadZero, std::int64_t seconds);

} // namespace keltrix
