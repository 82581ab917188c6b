#include "measure/raw_data.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace keltrix;

TEST(RawData, FreshRecordIsAllZero) {
    TRawDataShell shell;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&shell.Data());
    for (std::size_t i = 0; i < RecordSize; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i;
}

TEST(RawData, FieldsLandAtTheirWireOffsetsLittleEndian) {
    TRawData d{};
    d.Uptime = 0x0102030405060708LL;
    d.Threads = 0x1122;
    d.Power.BatteryFullLifeTime = 0xA1B2C3D4u;
    d.ProcType.Set("i686");
    const auto* b = reinterpret_cast<const std::uint8_t*>(&d);
    EXPECT_EQ(b[328], 0x08);
    EXPECT_EQ(b[335], 0x01);
    EXPECT_EQ(b[336], 0x22);
    EXPECT_EQ(b[337], 0x11);
    EXPECT_EQ(b[480], 0xD4);
    EXPECT_EQ(b[483], 0xA1);
    EXPECT_EQ(b[501], 4);
    EXPECT_EQ(std::memcmp(b + 502, "i686", 4), 0);
}

TEST(RawData, ShortStringsCutAtTheirRoom) {
    string15 s{};
    s.Set("ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(s.Length, 15);
    EXPECT_EQ(s.Get(), "ABCDEFGHIJKLMNO");

    s.Set("(12)explorer");
    EXPECT_EQ(s.Get(), "(12)explorer");
    s.Set("(12)averylongprocessname");
    EXPECT_EQ(s.Get(), "(12)averylongpr");

    string4 t{};
    t.Set("UNK?X");
    EXPECT_EQ(t.Length, 4);
    EXPECT_EQ(t.Get(), "UNK?");
}

TEST(RawData, ShortStringsHoldWindows1252Bytes) {
    string15 s{};
    s.Set("Zoë €5");
    EXPECT_EQ(s.Length, 6); // one byte a character in the record
    EXPECT_EQ(static_cast<std::uint8_t>(s.Chars[2]), 0xEB);
    EXPECT_EQ(static_cast<std::uint8_t>(s.Chars[4]), 0x80);
    EXPECT_EQ(s.Get(), "Zoë €5");
}

TEST(RawData, ShortStringWithBadLengthFromPeerStaysInsideField) {
    string15 s{};
    std::memset(s.Chars, 'x', sizeof s.Chars);
    s.Length = 200;
    EXPECT_EQ(s.Get(), std::string(15, 'x'));
}
