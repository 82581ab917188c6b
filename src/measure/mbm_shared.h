#pragma once
// MBM5Shared: the hardware monitor's shared-memory area as this program reads it and as the
// publisher (tools/sensord) writes it. Little-endian; offsets in bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace keltrix::mbm {

inline constexpr const char* SharedMemoryName = "$M$B$M$5$S$D$";
inline constexpr const char* StarterLibraryName = "MBMStarter";

inline constexpr std::size_t VersionOffset = 0; // float64
inline constexpr std::size_t IndexOffset = 8;   // IndexEntries x (type int32, count int32)
inline constexpr int IndexEntries = 10;
inline constexpr std::size_t SensorsOffset = 88;
inline constexpr std::size_t SensorSize = 80;
inline constexpr int SensorEntries = 100;
inline constexpr std::size_t InfoOffset = SensorsOffset + SensorSize * SensorEntries; // 8088

// Fields of one sensor entry.
inline constexpr std::size_t TypeField = 0; // uint8, 0: no sensor
inline constexpr std::size_t NameField = 1; // 12 characters
inline constexpr std::size_t NameSize = 12;
inline constexpr std::size_t CurrentField = 16; // float64
inline constexpr std::size_t LowField = 24;     // float64
inline constexpr std::size_t HighField = 32;    // float64
inline constexpr std::size_t CountField = 40;   // int32, readings taken
inline constexpr std::size_t TotalField = 48;   // 80-bit float, running total
inline constexpr std::size_t Alarm1Field = 64;  // float64
inline constexpr std::size_t Alarm2Field = 72;  // float64

// Kind codes, which are also the order of the groups and of the index entries.
inline constexpr int KindTemperature = 1;
inline constexpr int KindVoltage = 2;
inline constexpr int KindFan = 3;
inline constexpr int KindClock = 4;
inline constexpr int KindPercentage = 5;

// The readings of the sensors of one kind taken per sample.
inline constexpr int ReadingsPerKind = 9;

// Where a kind's group starts among the sensor entries and how many entries the index gives
// it; nullopt when the area is too short to hold the index or the kind has no group.
struct TGroup {
    std::int64_t First = 0;
    std::int64_t Count = 0;
};
std::optional<TGroup> GroupOf(std::span<const std::uint8_t> area, int kind);

// The current value of the n-th sensor (from 0) of a kind, or nullopt when it is absent:
// outside its group's count, past the 100 entries or the end of the area, or of type 0.
std::optional<double> ReadSensor(std::span<const std::uint8_t> area, int kind, int n);

// A reading rounded to a whole number, halves to even.
enum class TRounding { Whole, NotANumber, OutOfRange };
TRounding RoundReading(double value, std::int32_t& whole);

} // namespace keltrix::mbm
