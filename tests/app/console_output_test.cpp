#include "app/console_output.h"

#include <gtest/gtest.h>

using namespace keltrix;

TEST(ConsoleOutput, CodesAreDroppedAsTheLabelDropsThem) {
    EXPECT_EQ(ConsoleLine("Proc %: <B>12.5</B> <C:Red>hot</C>", false), "Proc %: 12.5 hot");
    EXPECT_EQ(ConsoleLine("a<<>b", false), "a<b");
    EXPECT_EQ(ConsoleLine("<PIXELSTART=100>x<S:-1>y", false), "xy");
    EXPECT_EQ(ConsoleLine("plain", false), "plain");
    EXPECT_EQ(ConsoleLine("", false), "");
}

TEST(ConsoleOutput, TerminalGetsStylesAndColours) {
    EXPECT_EQ(ConsoleLine("<B>x", true), "\x1b[0;1mx\x1b[0m");
    EXPECT_EQ(ConsoleLine("<C:$FF0000>r</C>n", true), "\x1b[0;38;2;255;0;0mr\x1b[0mn");
    EXPECT_EQ(ConsoleLine("plain", true), "plain");
}

TEST(ConsoleOutput, FramesEndWithAnEmptyLineAndRedrawInPlace) {
    EXPECT_EQ(ConsoleFrame({"a", "<I>b"}, false, 0), "a\nb\n\n");
    const std::string again = ConsoleFrame({"a"}, true, 2);
    EXPECT_EQ(again.rfind("\x1b[3F", 0), 0u);
}

TEST(ConsoleOutput, ControlCharactersInValuesAreShownAsQuestionMarks) {
    // A process name or a file line that would clear the screen, ring, split the line or
    // talk to the terminal in C1 codes.
    EXPECT_EQ(ConsoleLine("x\x1b[2Jy\a\tz", false), "x?[2Jy??z");
    EXPECT_EQ(ConsoleLine("two\nlines\r", true), "two?lines?");
    EXPECT_EQ(ConsoleLine("c1 \xc2\x9b"
                          "31m del\x7f",
                          false),
              "c1 ?31m del?");
    EXPECT_EQ(ConsoleLine("caf\xc3\xa9 \xc2\xa0nbsp", false), "caf\xc3\xa9 \xc2\xa0nbsp");
    EXPECT_EQ(ConsoleFrame({"a\nb"}, false, 0), "a?b\n") << "one line stays one line";
    EXPECT_EQ(ConsoleLine("<B>bold\x1b", true), "\x1b[0;1mbold?\x1b[0m") << "our own codes stay";
}
