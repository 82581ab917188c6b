#include "area_image.h"
#include "mbm_area.h"
#include "measure/mbm_shared.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace keltrix {
namespace {

using mbm::KindFan;
using mbm::KindTemperature;
using mbm::KindVoltage;
using test::TAreaBytes;

std::span<const std::uint8_t> Span(const TAreaBytes& area) {
    return {area.Bytes.data(), area.Bytes.size()};
}

// Four temperatures, two voltages, three fans: the layout of a typical board.
TAreaBytes Board() {
    TAreaBytes area;
    area.Count(0, 4);
    area.Count(1, 2);
    area.Count(2, 3);
    const double values[] = {45.5, 44.5, 46, 30, 1.2, 12.1, 1200, 255, 900};
    for (int i = 0; i < 9; ++i) {
        const std::uint8_t kind = i < 4 ? 1 : i < 6 ? 2 : 3;
        area.Sensor(i, kind, values[i]);
    }
    return area;
}

TEST(MBMShared, GroupsFollowTheIndexCounts) {
    const TAreaBytes area = Board();
    const struct {
        int Kind;
        std::int64_t First, Count;
    } cases[] = {{1, 0, 4}, {2, 4, 2}, {3, 6, 3}, {4, 9, 0}, {5, 9, 0}};
    for (const auto& c : cases) {
        const auto group = mbm::GroupOf(Span(area), c.Kind);
        ASSERT_TRUE(group) << c.Kind;
        EXPECT_EQ(group->First, c.First) << c.Kind;
        EXPECT_EQ(group->Count, c.Count) << c.Kind;
    }
    EXPECT_FALSE(mbm::GroupOf(Span(area), 0));
    EXPECT_FALSE(mbm::GroupOf(Span(area), 6));
    EXPECT_EQ(mbm::ReadSensor(Span(area), KindTemperature, 0), 45.5);
    EXPECT_EQ(mbm::ReadSensor(Span(area), KindTemperature, 3), 30);
    EXPECT_EQ(mbm::ReadSensor(Span(area), KindVoltage, 1), 12.1);
    EXPECT_EQ(mbm::ReadSensor(Span(area), KindFan, 0), 1200);
    EXPECT_EQ(mbm::ReadSensor(Span(area), KindFan, 2), 900);
}

TEST(MBMShared, PositionsPastTheGroupOrTheEntriesAreAbsent) {
    TAreaBytes area = Board();
    // The fifth temperature would be the first voltage, the fourth fan lies past the last.
    EXPECT_FALSE(mbm::ReadSensor(Span(area), KindTemperature, 4));
    EXPECT_FALSE(mbm::ReadSensor(Span(area), KindFan, 3));
    EXPECT_FALSE(mbm::ReadSensor(Span(area), KindTemperature, -1));
    // An entry of type 0 inside the group is no sensor.
    area.Sensor(1, 0, 50);
    EXPECT_FALSE(mbm::ReadSensor(Span(area), KindTemperature, 1));
    // Counts that claim more than the 100 entries.
    area.Count(0, 95);
    area.Count(1, 0);
    area.Count(2, 9);
    area.Sensor(99, 3, 1000);
    EXPECT_EQ(mbm::ReadSensor(Span(area), KindFan, 4), 1000);
    EXPECT_FALSE(mbm::ReadSensor(Span(area), KindFan, 5));
    // Counts that point before the first entry or far past the last.
    area.Count(0, -5);
    area.Count(2, 9);
    area.Sensor(0, 1, 45.5);
    for (int n = 0; n < 5; ++n) EXPECT_FALSE(mbm::ReadSensor(Span(area), KindFan, n)) << n;
    EXPECT_EQ(mbm::ReadSensor(Span(area), KindFan, 5), 45.5);
    for (const std::int32_t first : {0x7FFFFFFF, -0x7FFFFFFF - 1}) {
        area.Count(0, first);
        area.Count(1, first);
        for (int n = 0; n < 9; ++n) EXPECT_FALSE(mbm::ReadSensor(Span(area), KindFan, n)) << n;
    }
}

TEST(MBMShared, ShortAreasReadAsAbsent) {
    const TAreaBytes board = Board();
    for (std::size_t size : {std::size_t{0}, std::size_t{20}, std::size_t{40}, std::size_t{88},
                             std::size_t{88 + 79}, std::size_t{88 + 80}}) {
        const std::span<const std::uint8_t> area(board.Bytes.data(), size);
        EXPECT_EQ(mbm::ReadSensor(area, KindTemperature, 0).has_value(), size >= 88 + 80) << size;
        EXPECT_FALSE(mbm::ReadSensor(area, KindTemperature, 1)) << size;
    }
}

TEST(MBMShared, RoundingTakesHalvesToEven) {
    const struct {
        double Value;
        std::int32_t Whole;
    } cases[] = {{45.5, 46}, {44.5, 44}, {45.6, 46},   {44.49, 44},
                 {0.5, 0},   {-0.5, 0},  {-1.5, -2},   {-2.5, -2},
                 {2.5, 2},   {3.5, 4},   {-45.6, -46}, {2147483647.4, 2147483647}};
    for (const auto& c : cases) {
        std::int32_t whole = 99;
        ASSERT_EQ(mbm::RoundReading(c.Value, whole), mbm::TRounding::Whole) << c.Value;
        EXPECT_EQ(whole, c.Whole) << c.Value;
    }
    std::int32_t whole = 7;
    EXPECT_EQ(mbm::RoundReading(std::nan(""), whole), mbm::TRounding::NotANumber);
    EXPECT_EQ(mbm::RoundReading(2147483647.5, whole), mbm::TRounding::OutOfRange);
    EXPECT_EQ(mbm::RoundReading(-2147483648.6, whole), mbm::TRounding::OutOfRange);
    EXPECT_EQ(mbm::RoundReading(std::numeric_limits<double>::infinity(), whole),
              mbm::TRounding::OutOfRange);
    EXPECT_EQ(whole, 7) << "a failed rounding leaves the target alone";
}

// What the publisher writes is what the reader reads, holes and all.
TEST(MBMShared, PublisherLayoutReadsBack) {
    sensord::TAreaImage image;
    std::vector<sensord::TFoundSensor> found = {{1, "chip#0/temp1", "CPU", 80, 95},
                                                {2, "chip#0/in0", "Vcore", 0.8, 1.5},
                                                {3, "chip#0/fan1", "CPU fan", 600, 0},
                                                {1, "chip#0/temp2", "Board", 0, 0},
                                                {3, "chip#0/fan2", "", 0, 0}};
    image.Arrange(found);
    const double readings[] = {45.5, 1.25, 1500, 44.5, 255};
    for (int kind = 1; kind <= 3; ++kind)
        for (auto& slot : image.Group(kind)) image.Record(slot, true, readings[slot.Source]);
    auto bytes = image.Bytes(4242);
    ASSERT_EQ(bytes.size(), sensord::TAreaImage::AreaSize());
    std::span<const std::uint8_t> area(bytes);
    EXPECT_EQ(mbm::ReadSensor(area, KindTemperature, 0), 45.5);
    EXPECT_EQ(mbm::ReadSensor(area, KindTemperature, 1), 44.5);
    EXPECT_EQ(mbm::ReadSensor(area, KindVoltage, 0), 1.25);
    EXPECT_EQ(mbm::ReadSensor(area, KindFan, 1), 255);
    EXPECT_FALSE(mbm::ReadSensor(area, KindTemperature, 2));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[88 + 1])), "CPU");

    // The board sensor goes, a new temperature comes: positions stay, the hole reads absent.
    found.erase(found.begin() + 3);
    found.push_back({1, "chip#1/temp1", "GPU", 0, 0});
    image.Arrange(found);
    for (int kind = 1; kind <= 3; ++kind)
        for (auto& slot : image.Group(kind))
            image.Record(slot, slot.Source >= 0, slot.Source >= 0 ? 60.0 : 0.0);
    bytes = image.Bytes(4242);
    area = std::span<const std::uint8_t>(bytes);
    ASSERT_EQ(image.Group(KindTemperature).size(), 3u);
    EXPECT_EQ(image.Group(KindTemperature)[1].Key, "chip#0/temp2");
    EXPECT_FALSE(mbm::ReadSensor(area, KindTemperature, 1));
    EXPECT_EQ(mbm::ReadSensor(area, KindTemperature, 2), 60);
    EXPECT_EQ(mbm::ReadSensor(area, KindFan, 0), 60) << "the fans moved behind the new entry";
    const auto& cpu = image.Group(KindTemperature)[0];
    EXPECT_EQ(cpu.Low, 45.5);
    EXPECT_EQ(cpu.High, 60);
    EXPECT_EQ(cpu.Count, 2);
}

TEST(MBMShared, PublisherKeepsToTheHundredEntries) {
    sensord::TAreaImage image;
    std::vector<sensord::TFoundSensor> found;
    for (int i = 0; i < 150; ++i)
        found.push_back({1 + i % 3, "chip#0/s" + std::to_string(i), "", 0, 0});
    found.push_back(found.front()); // the same key twice takes one slot
    image.Arrange(found);
    image.Arrange(found);
    EXPECT_EQ(image.SlotCount(), 100u);
    const auto bytes = image.Bytes(1);
    const auto fans = mbm::GroupOf(std::span<const std::uint8_t>(bytes), KindFan);
    ASSERT_TRUE(fans);
    EXPECT_EQ(fans->First + fans->Count, 100);
}

} // namespace
} // namespace keltrix
