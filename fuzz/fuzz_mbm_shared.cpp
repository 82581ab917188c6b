// Any bytes as the hardware monitor's shared memory: every position of every kind reads as a
// value or as absent, and never from outside the area.
#include "measure/mbm_shared.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix::mbm;
    // A copy of exactly the input's size: ASan sees any read past its end.
    const std::vector<std::uint8_t> area(data, data + size);
    const std::span<const std::uint8_t> view(area.data(), area.size());
    for (int kind = 0; kind <= 6; ++kind) {
        const auto group = GroupOf(view, kind);
        for (int n = -1; n <= 10; ++n) {
            const auto value = ReadSensor(view, kind, n);
            if (!value) continue;
            // A reading exists only inside its group and the 100 entries.
            if (!group || n < 0 || n >= group->Count) std::abort();
            const std::int64_t position = group->First + n;
            if (position < 0 || position >= SensorEntries) std::abort();
            if (SensorsOffset + SensorSize * static_cast<std::size_t>(position + 1) > size)
                std::abort();
            std::int32_t whole = 0;
            (void)RoundReading(*value, whole);
        }
    }
    return 0;
}
