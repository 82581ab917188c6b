#include "measure/codepage.h"

#include <gtest/gtest.h>

using namespace keltrix;

TEST(Codepage, Windows1252RoundTrip) {
    const std::string text = "Grüße – “quoted” €";
    const std::string ansi = Utf8ToAnsi(text);
    EXPECT_EQ(ansi, "Gr\xFC\xDF\x65 \x96 \x93quoted\x94 \x80");
    EXPECT_EQ(AnsiToUtf8(ansi), text);
}

TEST(Codepage, UnmappableBecomesQuestionMarkAndInvalidBytesPassThrough) {
    EXPECT_EQ(Utf8ToAnsi("Привет"), "??????");
    EXPECT_EQ(Utf8ToAnsi(std::string("a\xE9z")), "a\xE9z");
}

TEST(Codepage, RussianSetReadsBytesAs1251) {
    EXPECT_EQ(Cp1251ToUtf8("\xCF\xF0\xE8\xE2\xE5\xF2"), "Привет");
    EXPECT_EQ(Cp1251ToUtf8("\xB9 1"), "№ 1");
}

TEST(Codepage, FileTextKeepsUtf8AndConvertsAnythingElse) {
    EXPECT_EQ(FileTextToUtf8("caf\xC3\xA9"), "café");
    EXPECT_EQ(FileTextToUtf8("caf\xE9"), "café");
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80")); // surrogate
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));     // overlong
}
