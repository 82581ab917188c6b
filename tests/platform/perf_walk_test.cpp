#include "platform/perf_walk.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace keltrix::platform {
namespace {

std::vector<std::uint8_t> RealBlock(std::string_view object) {
    TPerfDataSource source(test::DataRoot("laptop"));
    std::uint32_t size = 0;
    EXPECT_EQ(source.Query(object, nullptr, &size), ERROR_MORE_DATA);
    std::vector<std::uint8_t> bytes(size);
    EXPECT_EQ(source.Query(object, bytes.data(), &size), ERROR_SUCCESS) << source.LastError();
    return bytes;
}

template <class T> void Patch(std::vector<std::uint8_t>& bytes, std::size_t at, T value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

// Everything a reader would touch, to show that the walk ends and stays inside.
std::size_t WalkAll(const TPerfBlock& block) {
    std::size_t steps = 0;
    std::u16string name;
    for (auto o = block.FirstObject(); o; o = block.NextObject(*o)) {
        ++steps;
        for (auto c = block.FirstCounter(*o); c; c = block.NextCounter(*o, *c)) {
            ++steps;
            if (auto counters = block.ObjectCounterBlock(*o)) {
                (void)block.Value32(*counters, *c);
                (void)block.Value64(*counters, *c);
            }
            for (auto i = block.FirstInstance(*o); i; i = block.NextInstance(*o, *i)) {
                ++steps;
                (void)block.InstanceName(*i, name);
                (void)block.InstanceValue64(*i, *c);
                (void)block.InstanceValue32(*i, *c);
            }
        }
    }
    return steps;
}

constexpr std::size_t ObjectAt = sizeof(PERF_DATA_BLOCK) + 16; // after "laptop" padded

TEST(PerfWalk, EmptyOrShortBytesHaveNoObjects) {
    EXPECT_FALSE(TPerfBlock(nullptr, 100).Valid());
    const std::uint8_t few[10] = {};
    EXPECT_FALSE(TPerfBlock(few, sizeof few).Valid());
    EXPECT_FALSE(TPerfBlock(few, sizeof few).FirstObject());
}

TEST(PerfWalk, HeaderLengthsBeyondTheBytesInvalidateTheBlock) {
    auto bytes = RealBlock("238");
    ASSERT_EQ(TPerfBlock(bytes.data(), bytes.size()).Header().HeaderLength, ObjectAt);
    auto longer = bytes;
    Patch<std::uint32_t>(longer, offsetof(PERF_DATA_BLOCK, TotalByteLength),
                         static_cast<std::uint32_t>(bytes.size() + 1));
    EXPECT_FALSE(TPerfBlock(longer.data(), longer.size()).Valid());
    auto header = bytes;
    Patch<std::uint32_t>(header, offsetof(PERF_DATA_BLOCK, HeaderLength), 0xFFFFFFF0);
    EXPECT_FALSE(TPerfBlock(header.data(), header.size()).Valid());
    Patch<std::uint32_t>(header, offsetof(PERF_DATA_BLOCK, HeaderLength), 4);
    EXPECT_FALSE(TPerfBlock(header.data(), header.size()).Valid());
}

TEST(PerfWalk, ObjectsThatDoNotFitOrDoNotAdvanceEndTheWalk) {
    auto bytes = RealBlock("238");
    Patch<std::uint32_t>(bytes, offsetof(PERF_DATA_BLOCK, NumObjectTypes), 1000);
    {
        const TPerfBlock block(bytes.data(), bytes.size());
        ASSERT_TRUE(block.FirstObject());
        EXPECT_FALSE(block.NextObject(*block.FirstObject())) << "no second object in the bytes";
    }
    for (std::uint32_t length : {0u, 63u, 0x7FFFFFFFu}) {
        auto broken = bytes;
        Patch(broken, ObjectAt + offsetof(PERF_OBJECT_TYPE, TotalByteLength), length);
        const TPerfBlock block(broken.data(), broken.size());
        EXPECT_FALSE(block.FirstObject()) << length;
        EXPECT_FALSE(block.FindObject(238)) << length;
    }
}

TEST(PerfWalk, CountersThatDoNotAdvanceOrLeaveTheObjectEndTheWalk) {
    auto bytes = RealBlock("2");
    const std::size_t firstCounter = ObjectAt + sizeof(PERF_OBJECT_TYPE);
    auto zero = bytes;
    Patch<std::uint32_t>(zero, firstCounter, 0); // ByteLength of the first definition
    const TPerfBlock zeroBlock(zero.data(), zero.size());
    EXPECT_FALSE(zeroBlock.FirstCounter(*zeroBlock.FirstObject()));

    auto many = bytes;
    Patch<std::uint32_t>(many, ObjectAt + offsetof(PERF_OBJECT_TYPE, NumCounters), 1u << 30);
    const TPerfBlock manyBlock(many.data(), many.size());
    EXPECT_LT(WalkAll(manyBlock), 10u);

    auto far = bytes;
    Patch<std::uint32_t>(far, firstCounter + offsetof(PERF_COUNTER_DEFINITION, CounterOffset),
                         0xFFFFFFFF);
    const TPerfBlock farBlock(far.data(), far.size());
    const auto object = farBlock.FirstObject();
    const auto counters = farBlock.ObjectCounterBlock(*object);
    ASSERT_TRUE(counters);
    EXPECT_FALSE(farBlock.Value64(*counters, *farBlock.FindCounter(*object, 674)));
    EXPECT_TRUE(farBlock.Value32(*counters, *farBlock.FindCounter(*object, 248)));
}

TEST(PerfWalk, InstancesWithBadLengthsOrNamesAreRefused) {
    const auto bytes = RealBlock("238");
    const TPerfBlock good(bytes.data(), bytes.size());
    const auto object = good.FirstObject();
    const auto instance = good.FirstInstance(*object);
    ASSERT_TRUE(instance);
    const std::size_t at = instance->Offset;

    auto name = bytes;
    Patch<std::uint32_t>(name, at + offsetof(PERF_INSTANCE_DEFINITION, NameOffset), 0xFFFFFF00);
    const TPerfBlock nameBlock(name.data(), name.size());
    std::u16string text = u"stale";
    EXPECT_FALSE(nameBlock.InstanceName(*nameBlock.FirstInstance(*object), text));
    EXPECT_TRUE(text.empty());

    auto length = bytes;
    Patch<std::uint32_t>(length, at, 3); // smaller than an instance header
    const TPerfBlock lengthBlock(length.data(), length.size());
    EXPECT_FALSE(lengthBlock.FirstInstance(*object));

    auto counterBlock = bytes;
    Patch<std::uint32_t>(counterBlock, instance->CounterBlock, 0);
    const TPerfBlock counterBlockBlock(counterBlock.data(), counterBlock.size());
    EXPECT_FALSE(counterBlockBlock.FirstInstance(*object));

    auto outside = bytes;
    const auto counter = good.FirstCounter(*object);
    Patch<std::uint32_t>(outside,
                         counter->Offset + offsetof(PERF_COUNTER_DEFINITION, CounterOffset), 12);
    const TPerfBlock outsideBlock(outside.data(), outside.size());
    EXPECT_FALSE(outsideBlock.InstanceValue64(*outsideBlock.FirstInstance(*object),
                                              *outsideBlock.FirstCounter(*object)))
        << "a value reaching past its counter block";

    auto many = bytes;
    Patch<std::int32_t>(many, ObjectAt + offsetof(PERF_OBJECT_TYPE, NumInstances), 1 << 30);
    EXPECT_EQ(WalkAll(TPerfBlock(many.data(), many.size())), WalkAll(good));
}

TEST(PerfWalk, EveryTruncationOfARealBlockWalksSafely) {
    const auto bytes = RealBlock("230");
    const std::size_t full = WalkAll(TPerfBlock(bytes.data(), bytes.size()));
    EXPECT_EQ(full, 1u + 2u + 2u * 6u) << "one object, two counters, six instances for each";
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        // An exact-size copy, so that a read past the end is a read past the allocation.
        std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[n ? n : 1]);
        std::memcpy(copy.get(), bytes.data(), n);
        const TPerfBlock block(copy.get(), n);
        EXPECT_FALSE(block.Valid()) << "the header promises " << bytes.size() << " bytes";
        EXPECT_EQ(WalkAll(block), 0u);
    }
}

} // namespace
} // namespace keltrix::platform
