#include "platform/perf_walk.h"

#include <bit>
#include <cstring>

namespace keltrix::platform {

// The block is little-endian and read by copying: a big-endian host would need swapping.
static_assert(std::endian::native == std::endian::little);
// Offsets are sums of a position and a 32-bit length; they must not wrap.
static_assert(sizeof(std::size_t) >= 8);

namespace {

std::size_t ObjectEnd(const TPerfObject& object) {
    return object.Offset + object.Header.TotalByteLength;
}

} // namespace

TPerfBlock::TPerfBlock(const std::uint8_t* data, std::size_t size)
    : Data_(data), Size_(data ? size : 0) {
    if (!Read(0, Header_)) return;
    // TotalByteLength may promise less than the bytes we hold, never more.
    Valid_ = Header_.HeaderLength >= sizeof(PERF_DATA_BLOCK) && Header_.HeaderLength <= Size_ &&
             Header_.TotalByteLength <= Size_;
}

bool TPerfBlock::Fits(std::size_t offset, std::size_t length) const {
    return offset <= Size_ && length <= Size_ - offset;
}

template <class T> bool TPerfBlock::Read(std::size_t offset, T& out) const {
    if (!Fits(offset, sizeof(T))) return false;
    std::memcpy(&out, Data_ + offset, sizeof(T));
    return true;
}

std::optional<TPerfObject> TPerfBlock::FirstObject() const {
    if (!Valid_ || Header_.NumObjectTypes == 0) return std::nullopt;
    TPerfObject object;
    object.Offset = Header_.HeaderLength;
    if (!Read(object.Offset, object.Header)) return std::nullopt;
    if (object.Header.TotalByteLength < sizeof(PERF_OBJECT_TYPE) ||
        !Fits(object.Offset, object.Header.TotalByteLength))
        return std::nullopt;
    return object;
}

std::optional<TPerfObject> TPerfBlock::NextObject(const TPerfObject& object) const {
    if (object.Index + 1 >= Header_.NumObjectTypes) return std::nullopt;
    TPerfObject next;
    next.Offset = ObjectEnd(object);
    next.Index = object.Index + 1;
    if (!Read(next.Offset, next.Header)) return std::nullopt;
    if (next.Header.TotalByteLength < sizeof(PERF_OBJECT_TYPE) ||
        !Fits(next.Offset, next.Header.TotalByteLength))
        return std::nullopt;
    return next;
}

std::optional<TPerfObject> TPerfBlock::FindObject(std::uint32_t titleIndex) const {
    for (auto object = FirstObject(); object; object = NextObject(*object)) {
        if (object->Header.ObjectNameTitleIndex == titleIndex) return object;
    }
    return std::nullopt;
}

std::optional<TPerfCounter> TPerfBlock::FirstCounter(const TPerfObject& object) const {
    if (object.Header.NumCounters == 0) return std::nullopt;
    TPerfCounter counter;
    counter.Offset = object.Offset + object.Header.HeaderLength;
    if (counter.Offset + sizeof(PERF_COUNTER_DEFINITION) > ObjectEnd(object) ||
        !Read(counter.Offset, counter.Definition) ||
        counter.Definition.ByteLength < sizeof(PERF_COUNTER_DEFINITION))
        return std::nullopt;
    return counter;
}

std::optional<TPerfCounter> TPerfBlock::NextCounter(const TPerfObject& object,
                                                    const TPerfCounter& counter) const {
    if (counter.Index + 1 >= object.Header.NumCounters) return std::nullopt;
    TPerfCounter next;
    next.Offset = counter.Offset + counter.Definition.ByteLength;
    next.Index = counter.Index + 1;
    if (next.Offset + sizeof(PERF_COUNTER_DEFINITION) > ObjectEnd(object) ||
        !Read(next.Offset, next.Definition) ||
        next.Definition.ByteLength < sizeof(PERF_COUNTER_DEFINITION))
        return std::nullopt;
    return next;
}

std::optional<TPerfCounter> TPerfBlock::FindCounter(const TPerfObject& object,
                                                    std::uint32_t titleIndex) const {
    for (auto counter = FirstCounter(object); counter; counter = NextCounter(object, *counter)) {
        if (counter->Definition.CounterNameTitleIndex == titleIndex) return counter;
    }
    return std::nullopt;
}

std::optional<TPerfInstance> TPerfBlock::InstanceAt(std::size_t offset, std::uint32_t index) const {
    TPerfInstance instance;
    instance.Offset = offset;
    instance.Index = index;
    if (!Read(offset, instance.Definition) ||
        instance.Definition.ByteLength < sizeof(PERF_INSTANCE_DEFINITION))
        return std::nullopt;
    instance.CounterBlock = offset + instance.Definition.ByteLength;
    PERF_COUNTER_BLOCK block{};
    if (!Read(instance.CounterBlock, block) || block.ByteLength < sizeof(PERF_COUNTER_BLOCK) ||
        !Fits(instance.CounterBlock, block.ByteLength))
        return std::nullopt;
    instance.CounterBlockLength = block.ByteLength;
    return instance;
}

std::optional<TPerfInstance> TPerfBlock::FirstInstance(const TPerfObject& object) const {
    if (object.Header.NumInstances < 1) return std::nullopt;
    auto instance = InstanceAt(object.Offset + object.Header.DefinitionLength, 0);
    if (!instance || instance->CounterBlock + instance->CounterBlockLength > ObjectEnd(object))
        return std::nullopt;
    return instance;
}

std::optional<TPerfInstance> TPerfBlock::NextInstance(const TPerfObject& object,
                                                      const TPerfInstance& instance) const {
    if (instance.Index + 1 >= static_cast<std::uint32_t>(object.Header.NumInstances))
        return std::nullopt;
    auto next = InstanceAt(instance.CounterBlock + instance.CounterBlockLength, instance.Index + 1);
    if (!next || next->CounterBlock + next->CounterBlockLength > ObjectEnd(object))
        return std::nullopt;
    return next;
}

bool TPerfBlock::InstanceName(const TPerfInstance& instance, std::u16string& name) const {
    name.clear();
    const std::uint32_t length = instance.Definition.NameLength;
    if (length < 2) return true; // no characters, only (part of) the terminator
    const std::size_t units = length / 2 - 1;
    const std::size_t at = instance.Offset + instance.Definition.NameOffset;
    if (!Fits(at, units * 2)) return false;
    name.resize(units);
    std::memcpy(name.data(), Data_ + at, units * 2);
    return true;
}

std::optional<std::size_t> TPerfBlock::ObjectCounterBlock(const TPerfObject& object) const {
    const std::size_t at = object.Offset + object.Header.DefinitionLength;
    PERF_COUNTER_BLOCK block{};
    if (at + sizeof(block) > ObjectEnd(object) || !Read(at, block)) return std::nullopt;
    return at;
}

std::optional<std::uint32_t> TPerfBlock::Value32(std::size_t counterBlock,
                                                 const TPerfCounter& counter) const {
    std::uint32_t value = 0;
    if (!Read(counterBlock + counter.Definition.CounterOffset, value)) return std::nullopt;
    return value;
}

std::optional<std::uint64_t> TPerfBlock::Value64(std::size_t counterBlock,
                                                 const TPerfCounter& counter) const {
    std::uint64_t value = 0;
    if (!Read(counterBlock + counter.Definition.CounterOffset, value)) return std::nullopt;
    return value;
}

namespace {
// An instance's counter lies within that instance's own counter block.
bool InsideInstance(const TPerfInstance& instance, const TPerfCounter& counter, std::size_t size) {
    const std::size_t offset = counter.Definition.CounterOffset;
    return offset <= instance.CounterBlockLength && instance.CounterBlockLength - offset >= size;
}
} // namespace

std::optional<std::uint64_t> TPerfBlock::InstanceValue64(const TPerfInstance& instance,
                                                         const TPerfCounter& counter) const {
    if (!InsideInstance(instance, counter, sizeof(std::uint64_t))) return std::nullopt;
    return Value64(instance.CounterBlock, counter);
}

std::optional<std::uint32_t> TPerfBlock::InstanceValue32(const TPerfInstance& instance,
                                                         const TPerfCounter& counter) const {
    if (!InsideInstance(instance, counter, sizeof(std::uint32_t))) return std::nullopt;
    return Value32(instance.CounterBlock, counter);
}

} // namespace keltrix::platform
