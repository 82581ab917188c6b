#pragma once
// Walks a performance-data block that came from anywhere. Every offset the block names is
// checked before it is read, so a truncated or hostile block ends the walk instead of leading
// outside the bytes.

#include "platform/perf_data.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace keltrix::platform {

struct TPerfObject {
    std::size_t Offset = 0;  // from the start of the block
    std::uint32_t Index = 0; // position among the block's objects
    PERF_OBJECT_TYPE Header{};
};

struct TPerfCounter {
    std::size_t Offset = 0;
    std::uint32_t Index = 0; // position among the object's definitions
    PERF_COUNTER_DEFINITION Definition{};
};

struct TPerfInstance {
    std::size_t Offset = 0;
    std::uint32_t Index = 0;
    PERF_INSTANCE_DEFINITION Definition{};
    std::size_t CounterBlock = 0; // where its PERF_COUNTER_BLOCK starts
    std::uint32_t CounterBlockLength = 0;
};

class TPerfBlock {
public:
    // The bytes are not copied: they must outlive the walker.
    TPerfBlock(const std::uint8_t* data, std::size_t size);

    // The header could be read and its lengths lie within the bytes.
    bool Valid() const { return Valid_; }
    const PERF_DATA_BLOCK& Header() const { return Header_; }

    // Objects in block order, at most NumObjectTypes of them.
    std::optional<TPerfObject> FirstObject() const;
    std::optional<TPerfObject> NextObject(const TPerfObject& object) const;
    std::optional<TPerfObject> FindObject(std::uint32_t titleIndex) const;

    // Counter definitions in order, at most NumCounters of them.
    std::optional<TPerfCounter> FirstCounter(const TPerfObject& object) const;
    std::optional<TPerfCounter> NextCounter(const TPerfObject& object,
                                            const TPerfCounter& counter) const;
    std::optional<TPerfCounter> FindCounter(const TPerfObject& object,
                                            std::uint32_t titleIndex) const;

    // Instances in order, at most NumInstances of them; none when NumInstances < 1.
    std::optional<TPerfInstance> FirstInstance(const TPerfObject& object) const;
    std::optional<TPerfInstance> NextInstance(const TPerfObject& object,
                                              const TPerfInstance& instance) const;
    // NameLength / 2 - 1 UTF-16 units; false (and empty) when the name lies outside.
    bool InstanceName(const TPerfInstance& instance, std::u16string& name) const;

    // The counter block of an object without instances (object + DefinitionLength).
    std::optional<std::size_t> ObjectCounterBlock(const TPerfObject& object) const;

    // A value at counterBlock + CounterOffset. With an instance the value must also lie within
    // its counter block.
    std::optional<std::uint32_t> Value32(std::size_t counterBlock,
                                         const TPerfCounter& counter) const;
    std::optional<std::uint64_t> Value64(std::size_t counterBlock,
                                         const TPerfCounter& counter) const;
    std::optional<std::uint64_t> InstanceValue64(const TPerfInstance& instance,
                                                 const TPerfCounter& counter) const;
    std::optional<std::uint32_t> InstanceValue32(const TPerfInstance& instance,
                                                 const TPerfCounter& counter) const;

private:
    bool Fits(std::size_t offset, std::size_t length) const;
    template <class T> bool Read(std::size_t offset, T& out) const;
    std::optional<TPerfInstance> InstanceAt(std::size_t offset, std::uint32_t index) const;

    const std::uint8_t* Data_;
    std::size_t Size_;
    bool Valid_ = false;
    PERF_DATA_BLOCK Header_{};
};

} // namespace keltrix::platform
