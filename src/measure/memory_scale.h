#pragma once
// The record keeps memory sizes in 32-bit fields. Machines with more than 4 GiB store all four
// counts in units of 2^k bytes and k in byte 506 (zero in records of older peers, where the
// counts are plain bytes). Readers get the byte counts back through MemoryBytes.

#include "measure/raw_data.h"

#include <cstddef>
#include <cstdint>

namespace keltrix {

inline constexpr std::size_t MemoryScaleOffset = 506;
static_assert(offsetof(TRawData, Unused) == MemoryScaleOffset);

enum class TMemoryField { PageFree, PageTotal, RAMFree, RAMTotal };

// k of the record (a peer's nonsense above 32 is read as 32, enough for any 64-bit count).
unsigned MemoryScale(const TRawData& data);
std::uint64_t MemoryBytes(const TRawData& data, TMemoryField field);
// A count in the record's units, such as the difference of two fields, in bytes.
std::uint64_t MemoryUnitsToBytes(const TRawData& data, std::uint32_t units);

// The four byte counts, scaled by the smallest k at which all of them fit.
void StoreMemory(TRawData& data, std::uint64_t pageFree, std::uint64_t pageTotal,
                 std::uint64_t ramFree, std::uint64_t ramTotal);

} // namespace keltrix
