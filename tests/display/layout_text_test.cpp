// Format-string lines, prompt numbers, the screen adjustment and link lines, without widgets.
#include "base/errors.h"
#include "display/layout_text.h"
#include "display/links.h"
#include "display_fixture.h"

#include <gtest/gtest.h>

#include <cstdint>

using namespace keltrix;
using Lines = std::vector<std::string>;

TEST(FormatLines, EveryLineBreakKindEndsALineAndAFinalBreakAddsNone) {
    EXPECT_EQ(SplitFormatLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitFormatLines("a\r\n"), (Lines{"a"}));
    EXPECT_EQ(SplitFormatLines("a\n\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitFormatLines("\r\n\r\n"), (Lines{"", ""}));
    EXPECT_EQ(SplitFormatLines("a\n\r"), (Lines{"a", ""}));
    EXPECT_TRUE(SplitFormatLines("").empty());
}

TEST(PromptNumbers, DigitsOnlyAndWholeNumbersWithTheirFallback) {
    EXPECT_TRUE(IsNum("0255"));
    EXPECT_FALSE(IsNum(""));
    EXPECT_FALSE(IsNum("5s"));
    EXPECT_FALSE(IsNum("-5"));
    EXPECT_EQ(TrimBlanks("  500\t"), "500");
    EXPECT_EQ(StrToInt(" -12"), -12);
    EXPECT_THROW(StrToInt(""), EConvertError);
    EXPECT_THROW(StrToInt("99999999999"), EConvertError);
    EXPECT_EQ(StrToIntDef("300", 7), 300);
    EXPECT_EQ(StrToIntDef("30px", 7), 7);
}

TEST(ScreenAdjust, MovesInsideAShrunkDesktopAndBackWhenTheWorkAreaGrows) {
    TScreenAdjust state;
    const TWindowRect window{1500, 900, 200, 100};
    TWindowRect now = AdjustToDesktop(state, window, {1024, 768}, {1024, 740});
    EXPECT_EQ(now, (TWindowRect{824, 668, 200, 100}));
    EXPECT_TRUE(state.Moved);
    // Still small: stays where it was moved.
    EXPECT_EQ(AdjustToDesktop(state, now, {1024, 768}, {1024, 740}), now);
    now = AdjustToDesktop(state, now, {1920, 1080}, {1920, 1040});
    EXPECT_EQ(now, window);
    EXPECT_FALSE(state.Moved);
    EXPECT_EQ(state.Left, TScreenAdjust::None);
    EXPECT_EQ(state.Top, TScreenAdjust::None);
}

TEST(ScreenAdjust, AChangeOfOneDimensionNeverMovesTheOther) {
    TScreenAdjust state;
    TWindowRect now = AdjustToDesktop(state, {1500, 300, 200, 100}, {1024, 1080}, {1024, 1040});
    EXPECT_EQ(now, (TWindowRect{824, 300, 200, 100}));
    now = AdjustToDesktop(state, now, {1920, 1080}, {1920, 1040});
    EXPECT_EQ(now, (TWindowRect{1500, 300, 200, 100}));

    now = AdjustToDesktop(state, {300, 900, 200, 100}, {1920, 768}, {1920, 740});
    EXPECT_EQ(now, (TWindowRect{300, 668, 200, 100}));

    TScreenAdjust off;
    off.Enabled = false;
    EXPECT_EQ(AdjustToDesktop(off, {1500, 900, 200, 100}, {10, 10}, {10, 10}),
              (TWindowRect{1500, 900, 200, 100}));
}

TEST(DesktopLimits, SizesAndPlacesFromTheSettingsStayOnTheDesktop) {
    const TWindowRect desktop{0, 0, 1280, 1024};
    const TDesktopSize huge = FitSize({65536, 65536}, desktop);
    EXPECT_EQ(huge.Width, 1280);
    EXPECT_EQ(huge.Height, 1024);
    const TDesktopSize none = FitSize({-5, 0}, desktop);
    EXPECT_EQ(none.Width, 1);
    EXPECT_EQ(none.Height, 1);
    // Unknown desktop: still no more than X11 can size.
    EXPECT_EQ(FitSize({65536, 20}, {}).Width, 32767);

    EXPECT_EQ(FitPlace({-5000, INT32_MIN, 200, 100}, desktop), (TWindowRect{0, 0, 200, 100}));
    EXPECT_EQ(FitPlace({INT32_MAX, 100000, 200, 100}, desktop), (TWindowRect{1080, 924, 200, 100}));
    EXPECT_EQ(FitPlace({1270, 40, 200, 100}, desktop), (TWindowRect{1080, 40, 200, 100}));
    EXPECT_EQ(FitPlace({300, 40, 200, 100}, desktop), (TWindowRect{300, 40, 200, 100}));
    // A desktop of two screens, the left one at negative coordinates.
    EXPECT_EQ(FitPlace({-3000, 10, 200, 100}, {-1920, 0, 3200, 1080}),
              (TWindowRect{-1920, 10, 200, 100}));
    // A window larger than the desktop stands at its corner.
    EXPECT_EQ(FitPlace({50, 50, 2000, 2000}, desktop), (TWindowRect{0, 0, 2000, 2000}));
    EXPECT_EQ(FitPlace({50, 50, 200, 100}, {}), (TWindowRect{50, 50, 200, 100}));
}

TEST(LinkLines, EntryHoldsNameLinkTextAndParameter) {
    const std::string line = R"(Visit <LINK="c:\tools\app.exe" PARAM="-v">my tool)";
    EXPECT_TRUE(IsLinkLine(line));
    EXPECT_TRUE(IsLinkLine("<link=\"x\">"));
    EXPECT_FALSE(IsLinkLine("<LINK \"x\">"));
    const std::string entry = BuildLinkEntry("FormatLabel3", line);
    EXPECT_EQ(entry, "FormatLabel3\xC2\xA7\"c:\\tools\\app.exe\" \xC2\xA7-v");
    const TLinkEntry parts = SplitLinkEntry(entry);
    EXPECT_EQ(parts.LabelName, "FormatLabel3");
    EXPECT_EQ(ResolveLink(parts.Link).Target, R"(c:\tools\app.exe)");
    EXPECT_EQ(parts.Param, "-v");

    const TLinkEntry plain = SplitLinkEntry(BuildLinkEntry("L", "<LINK=\"http://a/b?c=d\">Home"));
    EXPECT_EQ(ResolveLink(plain.Link).Target, "http://a/b?c=d");
    EXPECT_EQ(plain.Param, "");
    // Without two double quotes there is nothing to start.
    EXPECT_EQ(ResolveLink("\"unclosed>x").Target, "");
    EXPECT_EQ(ResolveLink("nothing>x").Target, "");
}

TEST(LinkLines, FileLinksTakeALineOfATextFileOrSayWhyNot) {
    displaytest::TTempFolder temp;
    const std::string file = temp.File("links.txt");
    displaytest::WriteFile(file, "first\r\n/bin/true\r\n");
    EXPECT_EQ(ResolveLink("FILE=\"" + file + ",2\">News").Target, "/bin/true");
    EXPECT_EQ(ResolveLink("file=\"" + file + ",1\">News").Target, "first");

    const TFollowResult beyond = ResolveLink("FILE=\"" + file + ",3\">News");
    EXPECT_EQ(beyond.Target, "");
    EXPECT_EQ(beyond.Message, "Unable to follow link - Line #3 doesn't exists");
    EXPECT_EQ(ResolveLink("FILE=\"" + file + ",0\">").Message,
              "Unable to follow link - Line #0 doesn't exists");

    const std::string missing = temp.File("none.txt") + ",1";
    EXPECT_EQ(ResolveLink("FILE=\"" + missing + "\">").Message,
              "Unable to follow link - Destination is missing\r\n" + missing);
    // A folder is no file either.
    EXPECT_FALSE(ResolveLink("FILE=\"" + temp.Path() + ",1\">").Message.empty());

    EXPECT_THROW(ResolveLink("FILE=\"" + file + "\">"), EConvertError);
    EXPECT_THROW(ResolveLink("FILE=\"" + file + ",two\">"), EConvertError);
}

TEST(DriveLines, TheFirstFormatValueNamesTheDrive) {
    EXPECT_EQ(DriveLetterOfLine(R"(Drive D: <NAME=DriveSpace FORMAT="D FREE">)"), 'D');
    EXPECT_EQ(DriveLetterOfLine(R"(<name=drivespace format="e total">)"), 'E');
    EXPECT_EQ(DriveLetterOfLine(R"(<NAME=DriveSpace FORMAT="ALL FREE">)"), std::nullopt);
    EXPECT_EQ(DriveLetterOfLine(R"(<NAME=ProcUsage FORMAT="1"> <NAME=DriveSpace FORMAT="D FREE">)"),
              '1');
    EXPECT_EQ(DriveLetterOfLine(R"(<NAME=DriveSpace FORMAT="D FREE"><NAME=X FORMAT="ALL">)"),
              std::nullopt);
    EXPECT_EQ(DriveLetterOfLine(R"(<NAME=DriveSpace FORMAT=")"), std::nullopt);
    EXPECT_EQ(DriveLetterOfLine(R"(<NAME=ProcUsage FORMAT="D">)"), std::nullopt);
}
