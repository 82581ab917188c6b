// Any bytes as a performance-data block: the walk must stay inside them and end.
#include "platform/perf_walk.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keltrix::platform;
    const TPerfBlock block(data, size);
    std::u16string name;
    for (auto o = block.FirstObject(); o; o = block.NextObject(*o)) {
        const auto counters = block.ObjectCounterBlock(*o);
        std::size_t steps = 0;
        for (auto c = block.FirstCounter(*o); c; c = block.NextCounter(*o, *c)) {
            if (counters) {
                (void)block.Value32(*counters, *c);
                (void)block.Value64(*counters, *c);
            }
            // Each definition moves forward by at least its header.
            if (++steps > size / sizeof(PERF_COUNTER_DEFINITION)) std::abort();
        }
        const auto first = block.FirstCounter(*o);
        steps = 0;
        for (auto i = block.FirstInstance(*o); i; i = block.NextInstance(*o, *i)) {
            if (block.InstanceName(*i, name) && name.size() * 2 > size) std::abort();
            if (first) (void)block.InstanceValue64(*i, *first);
            if (first) (void)block.InstanceValue32(*i, *first);
            if (++steps > size / sizeof(PERF_INSTANCE_DEFINITION)) std::abort();
        }
        (void)block.FindCounter(*o, 6);
    }
    (void)block.FindObject(238);
    return 0;
}
