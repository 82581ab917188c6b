#include "display/markup.h"

#include <gtest/gtest.h>

using namespace keltrix;

namespace {

std::vector<std::string> Texts(const std::vector<TMarkupRun>& runs) {
    std::vector<std::string> texts;
    for (const auto& run : runs) texts.push_back(run.Text);
    return texts;
}

using TTexts = std::vector<std::string>;

} // namespace

TEST(MarkupParse, StyleCodesActUntilUndone) {
    const auto runs = ParseMarkup("CPU <B>42</B>%");
    ASSERT_EQ(Texts(runs), (TTexts{"CPU ", "42", "%"}));
    EXPECT_FALSE(runs[0].Style.Bold);
    EXPECT_TRUE(runs[1].Style.Bold);
    EXPECT_FALSE(runs[2].Style.Bold);

    // A second <B> while bold changes nothing; codes are read in any letter case.
    const auto twice = ParseMarkup("<B><b>x</B>y<i><U>z</I></u>w");
    ASSERT_EQ(Texts(twice), (TTexts{"x", "y", "z", "w"}));
    EXPECT_TRUE(twice[0].Style.Bold);
    EXPECT_FALSE(twice[1].Style.Bold);
    EXPECT_EQ(twice[2].Style, (TMarkupFontStyle{false, true, true}));
    EXPECT_EQ(twice[3].Style, TMarkupFontStyle{});

    // The walk starts from the label's font: a bold font is made plain by </B>.
    const auto fromBold = ParseMarkup("x</B>y", {true, false, false});
    EXPECT_TRUE(fromBold[0].Style.Bold);
    EXPECT_FALSE(fromBold[1].Style.Bold);
}

TEST(MarkupParse, EmptyUnknownAndUnclosedCodesDrawNothing) {
    EXPECT_EQ(Texts(ParseMarkup("a<>b")), (TTexts{"a", "b"}));
    EXPECT_EQ(Texts(ParseMarkup("a<<>b")), (TTexts{"a", "<", "b"}));
    EXPECT_EQ(Texts(ParseMarkup("<<><<>")), (TTexts{"<", "<"}));
    EXPECT_EQ(Texts(ParseMarkup("x>y")), (TTexts{"x>y"}));

    const auto leftover = ParseMarkup("<NAME=Foo>x<LINK=\"c:\\a.exe\">y");
    ASSERT_EQ(Texts(leftover), (TTexts{"x", "y"}));
    EXPECT_FALSE(leftover[0].Shadow);
    EXPECT_FALSE(leftover[0].Color);

    // "<" without ">" swallows the rest as its code: here bold, then nothing more.
    const auto unclosed = ParseMarkup("a<B");
    EXPECT_EQ(Texts(unclosed), (TTexts{"a"}));
    EXPECT_EQ(Texts(ParseMarkup("x<C:Red y")), (TTexts{"x"}));
    EXPECT_EQ(Texts(ParseMarkup("x<C:Red y</C> z")), (TTexts{"x", " z"}));
    EXPECT_TRUE(ParseMarkup("").empty());
}

TEST(MarkupParse, ColoursByNameAndHexAndBackToTheFontColour) {
    const auto runs = ParseMarkup("<C:Red>x<C:$00FF00>y</C>z");
    ASSERT_EQ(Texts(runs), (TTexts{"x", "y", "z"}));
    EXPECT_EQ(runs[0].Color, RGBColor(255, 0, 0));
    EXPECT_EQ(runs[1].Color, RGBColor(0, 255, 0));
    EXPECT_FALSE(runs[2].Color);

    EXPECT_EQ(ParseMarkup("<C:$FF0000>x")[0].Color, RGBColor(255, 0, 0));
    EXPECT_EQ(ParseMarkup("<C:$80FF0000>x")[0].Color, RGBColor(255, 0, 0));
    EXPECT_EQ(ParseMarkup("<c:$00ff00>x")[0].Color, RGBColor(0, 255, 0));
    EXPECT_EQ(ParseMarkup("<C:navy>x")[0].Color, RGBColor(0, 0, 128));
    EXPECT_EQ(ParseMarkup("<C:BtnFace>x")[0].Color, SystemColor(15));

    // Invalid colours leave the colour as it was: clRed is looked up as clclRed.
    for (const char* caption : {"<C:Blue><C:clRed>x", "<C:Blue><C:$12345>x", "<C:Blue><C:>x",
                                "<C:Blue><C:$GGFF00>x", "<C:Blue><BGC:Red>x"})
        EXPECT_EQ(ParseMarkup(caption)[0].Color, RGBColor(0, 0, 255)) << caption;
}

TEST(MarkupParse, ShadowOffsetIsSignedEightBitAndDefaultsToTwo) {
    struct TCase {
        const char* Caption;
        std::int8_t Offset;
    };
    for (const auto& c : {TCase{"<S>x", 2}, TCase{"<S:3>x", 3}, TCase{"<S=4>x", 4},
                          TCase{"<S:-1>x", -1}, TCase{"<SIZE>x", 2}, TCase{"<SHADOW>x", 2},
                          TCase{"<S:200>x", -56}, TCase{"<S:300>x", 44}, TCase{"<S:1.5>x", 2}}) {
        const auto runs = ParseMarkup(c.Caption);
        ASSERT_EQ(runs.size(), 1u) << c.Caption;
        EXPECT_TRUE(runs[0].Shadow) << c.Caption;
        EXPECT_EQ(runs[0].ShadowOffset, c.Offset) << c.Caption;
    }
    const auto off = ParseMarkup("<S:5>a</S>b");
    EXPECT_TRUE(off[0].Shadow);
    EXPECT_FALSE(off[1].Shadow);
}

TEST(MarkupParse, PixelStartMovesThePenToAnAbsolutePosition) {
    const auto runs = ParseMarkup("ab<PIXELSTART=100>x");
    ASSERT_EQ(Texts(runs), (TTexts{"ab", "x"}));
    EXPECT_FALSE(runs[0].MoveTo);
    EXPECT_EQ(runs[1].MoveTo, 100);

    EXPECT_EQ(ParseMarkup("<PIXELSTART=-5>x")[0].MoveTo, -5);
    EXPECT_EQ(ParseMarkup("<pixelstart=7><PIXELSTART=9>x")[0].MoveTo, 9);
    // Only the next ten characters count.
    EXPECT_EQ(ParseMarkup("<PIXELSTART=12345678901>x")[0].MoveTo, 1234567890);
    for (const char* stays : {"<PIXELSTART=abc>x", "<PIXELSTART=>x", "<PIXELSTART=9999999999>x",
                              "<PIXELSTART 10>x", "<PIXELSTART=10px>x"})
        EXPECT_FALSE(ParseMarkup(stays)[0].MoveTo) << stays;

    // After the last text the move still counts: it sets the line's width.
    const auto trailing = ParseMarkup("ab<B><PIXELSTART=50>");
    ASSERT_EQ(Texts(trailing), (TTexts{"ab", ""}));
    EXPECT_EQ(trailing[1].MoveTo, 50);
}

TEST(MarkupParse, RussianReadsTheWesternBytesAsCyrillic) {
    // Windows-1252 0xC0 0xE1 are U+00C0 U+00E1; the same bytes in Windows-1251 read "Аб".
    const auto runs = ParseMarkup("<RU>\u00C0\u00E1<<><EU>\u00C0");
    ASSERT_EQ(Texts(runs), (TTexts{"\u0410\u0431", "<", "\u00C0"}));
    EXPECT_TRUE(runs[0].Cyrillic);
    EXPECT_FALSE(runs[2].Cyrillic);
    // Text that Windows-1252 cannot hold has no bytes to reinterpret.
    EXPECT_EQ(ParseMarkup("<ru>\u0416")[0].Text, "?");
}

TEST(MarkupLayout, RunsFollowOneAnotherAndPixelStartResetsThePen) {
    const auto width = [](const TMarkupRun& run) {
        return static_cast<std::int32_t>(run.Text.size() * 10);
    };
    auto runs = ParseMarkup("ab<B>c<PIXELSTART=5>de<PIXELSTART=100>");
    EXPECT_EQ(LayoutMarkup(runs, width), 100);
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].X, 0);
    EXPECT_EQ(runs[1].X, 20);
    EXPECT_EQ(runs[2].X, 5);
    EXPECT_EQ(runs[2].Width, 20);
    EXPECT_EQ(runs[3].Width, 0);

    // Drawn text may lie right of where the pen ends: the pen decides the width.
    auto back = ParseMarkup("abcdef<PIXELSTART=0>x");
    EXPECT_EQ(LayoutMarkup(back, width), 10);
    auto negative = ParseMarkup("<PIXELSTART=-30>x");
    EXPECT_EQ(LayoutMarkup(negative, width), -20);
    auto none = ParseMarkup("<B><NAME=x>");
    EXPECT_EQ(LayoutMarkup(none, width), 0);
}
