#include "measure/memory_scale.h"

#include <algorithm>

namespace keltrix {

unsigned MemoryScale(const TRawData& data) {
    return std::min<unsigned>(data.Unused[0], 32);
}

std::uint64_t MemoryUnitsToBytes(const TRawData& data, std::uint32_t units) {
    return static_cast<std::uint64_t>(units) << MemoryScale(data);
}

std::uint64_t MemoryBytes(const TRawData& data, TMemoryField field) {
    switch (field) {
    case TMemoryField::PageFree:
        return MemoryUnitsToBytes(data, data.PageFree);
    case TMemoryField::PageTotal:
        return MemoryUnitsToBytes(data, data.PageTotal);
    case TMemoryField::RAMFree:
        return MemoryUnitsToBytes(data, data.RAMFree);
    case TMemoryField::RAMTotal:
        return MemoryUnitsToBytes(data, data.RAMTotal);
    }
    return 0;
}

void StoreMemory(TRawData& data, std::uint64_t pageFree, std::uint64_t pageTotal,
                 std::uint64_t ramFree, std::uint64_t ramTotal) {
    const std::uint64_t largest = std::max({pageFree, pageTotal, ramFree, ramTotal});
    unsigned k = 0;
    while ((largest >> k) > 0xFFFFFFFFu) ++k;
    data.PageFree = static_cast<std::uint32_t>(pageFree >> k);
    data.PageTotal = static_cast<std::uint32_t>(pageTotal >> k);
    data.RAMFree = static_cast<std::uint32_t>(ramFree >> k);
    data.RAMTotal = static_cast<std::uint32_t>(ramTotal >> k);
    data.Unused[0] = static_cast<std::uint8_t>(k);
}

} // namespace keltrix
