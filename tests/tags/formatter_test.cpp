#include "tags/formatter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace keltrix;

namespace {

// Echo shows what ApplyTags handed to the render method; Value renders a settable text.
class TTestFormat : public TFormatter {
public:
    explicit TTestFormat(TRawDataShell& shell, std::string prefix = "") : TFormatter(shell) {
        AddTag(prefix + "Echo Title", prefix + "Echo", "First. Second.", "Usage <NAME=Echo>",
               [](const std::string& format, bool leadZero, bool decimal, std::int32_t divisor) {
                   return format + "|" + (leadZero ? "L" : "-") + (decimal ? "D" : "-") + "|" +
                          std::to_string(divisor);
               });
        AddTag(prefix + "Value", prefix + "Value", "", "",
               [this](const std::string&, bool, bool, std::int32_t) { return Value; });
        Active = true;
    }
    std::string Value;
};

class ApplyTagsTest : public ::testing::Test {
protected:
    TRawDataShell Shell;
    TTestFormat Format{Shell};
    std::string Apply(const std::string& line) { return Format.ApplyTags(line); }
};

TEST_F(ApplyTagsTest, ReadsAttributesInAnyOrderAndLetterCase) {
    EXPECT_EQ(Apply("<NAME=Echo FORMAT=\"aBc\" LEADZERO DECIMAL DIV=4>"), "aBc|LD|4");
    EXPECT_EQ(Apply("<name=echo div=4 decimal format=\"aBc\" leadzero>"), "aBc|LD|4");
    EXPECT_EQ(Apply("<NAME=Echo>"), "|--|1");
    EXPECT_EQ(Apply("x <NAME=Echo FORMAT=\"a\" DIV=2> y <NAME=Echo LEADZERO> z"),
              "x a|--|2 y |L-|1 z");
    EXPECT_EQ(Apply("no tags here, only <B> markup"), "no tags here, only <B> markup");
    // The name is matched as a beginning; the rest is attribute text.
    EXPECT_EQ(Apply("<NAME=EchoXY>"), "|--|1");
    EXPECT_EQ(Apply("<NAME= Echo>"), "<NAME= Echo>");
}

TEST_F(ApplyTagsTest, KeywordsCountWhereverTheyStandFirstOccurrenceOnly) {
    Format.Value = "a";
    EXPECT_EQ(Apply("<NAME=Value FORMAT=\"SIZE=3\" SIZE=20>"), "a  ");
    EXPECT_EQ(Apply("<NAME=Value FORMAT=\"CHAR=*\" SIZE=3 CHAR=->"), "a**");
    EXPECT_EQ(Apply("<NAME=Echo FORMAT=\"decimal\">"), "decimal|-D|1");
    EXPECT_EQ(Apply("<NAME=Echo DIV=3 DIV=5>"), "|--|3");
    // Only FORMAT= with a quote opens a value.
    EXPECT_EQ(Apply("<NAME=Echo FORMAT=abc>"), "|--|1");
}

TEST_F(ApplyTagsTest, FormatWithoutClosingQuoteRunsToTheEndOfTheTag) {
    EXPECT_EQ(Apply("<NAME=Echo FORMAT=\"hh:nn> after"), "hh:nn>|--|1 after");
}

TEST_F(ApplyTagsTest, DivisorDigits) {
    EXPECT_EQ(Apply("<NAME=Echo DIV=>"), "|--|0");
    EXPECT_EQ(Apply("<NAME=Echo DIV=0>"), "|--|0");
    EXPECT_EQ(Apply("<NAME=Echo DIV=007x9>"), "|--|7");
    EXPECT_EQ(Apply("<NAME=Echo DIV=2147483647>"), "|--|2147483647");
    EXPECT_EQ(Apply("<NAME=Echo DIV=2147483648>"), "|--|1");
    EXPECT_EQ(Apply("<NAME=Echo DIV=99999999999999999999>"), "|--|1");
}

TEST_F(ApplyTagsTest, SizePadsBehindOrInFrontByAlignment) {
    Format.Value = "abc";
    for (std::uint8_t alignment : {0, 2}) {
        Format.Alignment = alignment;
        EXPECT_EQ(Apply("<NAME=Value SIZE=6 CHAR=.>"), "abc...");
    }
    Format.Alignment = 1;
    EXPECT_EQ(Apply("<NAME=Value SIZE=6 CHAR=.>"), "...abc");
    EXPECT_EQ(Apply("<NAME=Value SIZE=6>"), "   abc");
    EXPECT_EQ(Apply("<NAME=Value SIZE=2 CHAR=.>"), "abc");
    EXPECT_EQ(Apply("<NAME=Value CHAR=.>"), "abc");
    EXPECT_EQ(Apply("<NAME=Value SIZE= CHAR=.>"), "abc");
    EXPECT_EQ(Apply("<NAME=Value SIZE=2147483648>"), "abc");

    Format.Value.clear();
    for (std::uint8_t alignment : {0, 1, 2}) {
        Format.Alignment = alignment;
        EXPECT_EQ(Apply("<NAME=Value SIZE=5 CHAR=->"), "-----");
    }
}

TEST_F(ApplyTagsTest, PadCharacterIsWhateverFollowsChar) {
    EXPECT_EQ(Apply("<NAME=Value SIZE=3 CHAR=\">"), "\"\"\"");
    EXPECT_EQ(Apply("<NAME=Value SIZE=3 CHAR=> tail"), ">>> tail");
    EXPECT_EQ(Apply("<NAME=Value SIZE=3 CHAR=x>"), "xxx");
}

TEST_F(ApplyTagsTest, HugeSizeIsCapped) {
    EXPECT_EQ(Apply("<NAME=Value SIZE=999999999>").size(), 4096u);
}

TEST_F(ApplyTagsTest, Utf8PassesThroughAndPadsByCharacter) {
    Format.Value = "\xC3\xA9"; // é
    EXPECT_EQ(Apply("Gr\xC3\xBC\xC3\x9F"
                    "e \xC4\xB1 <name=VALUE SIZE=3 CHAR=\xC3\xBC> \xC3\x9F"),
              "Gr\xC3\xBC\xC3\x9F"
              "e \xC4\xB1 \xC3\xA9\xC3\xBC\xC3\xBC \xC3\x9F");
    // The long s must not be folded to S, nor the dotless i to I.
    EXPECT_EQ(Apply("<NAME=Echo FORMAT=\"\xC5\xBF\xC4\xB1\">"), "\xC5\xBF\xC4\xB1|--|1");
    // A stray byte after CHAR= is taken alone.
    EXPECT_EQ(Apply("<NAME=Value SIZE=2 CHAR=\xC3>"), "\xC3\xA9\xC3");
}

TEST_F(ApplyTagsTest, EndlessCasesEnd) {
    EXPECT_EQ(Apply("<NAME=Echo FORMAT=\"x\""), "<NAME=Echo FORMAT=\"x\"");
    EXPECT_EQ(Apply("a <NAME=Echo> b <NAME=Echo c"), "a |--|1 b <NAME=Echo c");
    Format.Value = "<NAME=Value>";
    EXPECT_EQ(Apply("<NAME=Value>"), "<NAME=Value>");
    EXPECT_EQ(Apply("<NAME=Value> <NAME=Value SIZE=13>"), "<NAME=Value> <NAME=Value> ");
    Format.Value = "<NAME=Value";
    EXPECT_EQ(Apply("<NAME=Value>>"), "<NAME=Value>");
}

TEST_F(ApplyTagsTest, InactiveFormatterLeavesTheLine) {
    Format.Active = false;
    EXPECT_EQ(Apply("<NAME=Echo> <NAME=Value>"), "<NAME=Echo> <NAME=Value>");
}

TEST(FormatterChain, LaterFormattersRenderValuesEarlierOnesDoNot) {
    TRawDataShell shell;
    TTestFormat first(shell, "A"), second(shell, "B");
    first.Value = "<NAME=BValue> <NAME=AEcho>";
    second.Value = "b";
    EXPECT_EQ(second.ApplyTags(first.ApplyTags("<NAME=AValue>")), "b <NAME=AEcho>");
}

TEST(FormatterCatalogue, DecideIfActiveLooksForAnyOpening) {
    TRawDataShell shell;
    TTestFormat format(shell);
    format.DecideIfActive("line one\r\nline <name=value two");
    EXPECT_TRUE(format.Active);
    format.DecideIfActive("<NAME=Other> Echo Value <NAME= Echo>");
    EXPECT_FALSE(format.Active);
}

TEST(FormatterCatalogue, TitlesUsagesAndDescriptions) {
    TRawDataShell shell;
    TTestFormat format(shell);
    EXPECT_EQ(format.TagList[0].Data.Name, "ECHO");

    std::vector<std::string> titles{"before"};
    format.GetTitles(titles);
    EXPECT_EQ(titles, (std::vector<std::string>{"before", "Echo Title", "Value"}));

    EXPECT_EQ(format.GetDefaultUsage("echo TITLE"), "Usage <NAME=Echo>");
    EXPECT_EQ(format.GetDefaultUsage("Missing"), "");
    EXPECT_EQ(format.GetDescription("ECHO title"),
              "First.\r\n Second.\r\n\r\nDefault Usage String:\r\nUsage <NAME=Echo>");
    EXPECT_EQ(format.GetDescription("Missing"), "");
}

TEST(Fields, CountFieldsCountsOverlappingSeparators) {
    EXPECT_EQ(CountFields("", ","), 0);
    EXPECT_EQ(CountFields("abc", ","), 1);
    EXPECT_EQ(CountFields("a,b,c", ","), 3);
    EXPECT_EQ(CountFields(",", ","), 2);
    EXPECT_EQ(CountFields("a---b", "--"), 3);
    EXPECT_EQ(CountFields("abc", ""), 1);
}

TEST(Fields, GetFieldPicksPiecesBetweenSeparators) {
    EXPECT_EQ(GetField("a,b,c", 2, ","), "b");
    EXPECT_EQ(GetField("a,b,c", 3, ","), "c");
    EXPECT_EQ(GetField("a,,c", 2, ","), "");
    EXPECT_EQ(GetField("a,b", 3, ","), "");
    EXPECT_EQ(GetField(",b", 1, ","), "");
    EXPECT_EQ(GetField(",b", 2, ","), "b");
    EXPECT_EQ(GetField("abc", 1, ","), "abc");
    EXPECT_EQ(GetField("", 1, ","), "");
    EXPECT_EQ(GetField("a,b", 0, ","), "");
    EXPECT_EQ(GetField("(12)explorer", 2, ")"), "explorer");
    EXPECT_EQ(GetField("x::y::z", 3, "::"), "z");
    EXPECT_EQ(GetField("aaa", 3, "aa"), ""); // counted overlapping, found apart
}

} // namespace
