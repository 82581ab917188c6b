#include "measure/mbm_shared.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace keltrix::mbm {
namespace {

std::int32_t Int32At(std::span<const std::uint8_t> area, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | area[offset + static_cast<std::size_t>(i)];
    return static_cast<std::int32_t>(v);
}

double Float64At(std::span<const std::uint8_t> area, std::size_t offset) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | area[offset + static_cast<std::size_t>(i)];
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

std::int64_t IndexCount(std::span<const std::uint8_t> area, int entry) {
    return Int32At(area, IndexOffset + 8 * static_cast<std::size_t>(entry) + 4);
}

} // namespace

std::optional<TGroup> GroupOf(std::span<const std::uint8_t> area, int kind) {
    if (kind < KindTemperature || kind > KindPercentage) return std::nullopt;
    if (area.size() < IndexOffset + 8 * static_cast<std::size_t>(kind)) return std::nullopt;
    TGroup group;
    // The counts are the publisher's: 64-bit sums cannot overflow, whatever they hold.
    for (int k = 0; k < kind - 1; ++k) group.First += IndexCount(area, k);
    group.Count = IndexCount(area, kind - 1);
    return group;
}

std::optional<double> ReadSensor(std::span<const std::uint8_t> area, int kind, int n) {
    const std::optional<TGroup> group = GroupOf(area, kind);
    if (!group || n < 0 || n >= group->Count) return std::nullopt;
    const std::int64_t position = group->First + n;
    if (position < 0 || position >= SensorEntries) return std::nullopt;
    const std::size_t entry = SensorsOffset + SensorSize * static_cast<std::size_t>(position);
    if (area.size() < entry + SensorSize) return std::nullopt;
    std::uint8_t copy[SensorSize];
    std::memcpy(copy, area.data() + entry, SensorSize);
    const std::span<const std::uint8_t> sensor(copy, SensorSize);
    if (sensor[TypeField] == 0) return std::nullopt;
    return Float64At(sensor, CurrentField);
}

TRounding RoundReading(double value, std::int32_t& whole) {
    if (std::isnan(value)) return TRounding::NotANumber;
    // Halves to even, whatever rounding mode the process runs in.
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0)) rounded += 1;
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max()))
        return TRounding::OutOfRange;
    whole = static_cast<std::int32_t>(rounded);
    return TRounding::Whole;
}

} // namespace keltrix::mbm
