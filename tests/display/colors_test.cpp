#include "display/color_resolve.h"
#include "display/colors.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <sstream>

using namespace keltrix;

TEST(ColorTable, NamesRoundTripAndIgnoreCase) {
    const std::string names =
        "clBlack clMaroon clGreen clOlive clNavy clPurple clTeal clGray clSilver clRed clLime "
        "clYellow clBlue clFuchsia clAqua clWhite clMoneyGreen clSkyBlue clCream clMedGray "
        "clScrollBar clBackground clActiveCaption clInactiveCaption clMenu clWindow "
        "clWindowFrame clMenuText clWindowText clCaptionText clActiveBorder clInactiveBorder "
        "clAppWorkSpace clHighlight clHighlightText clBtnFace clBtnShadow clGrayText clBtnText "
        "clInactiveCaptionText clBtnHighlight cl3DDkShadow cl3DLight clInfoText clInfoBk "
        "clGradientActiveCaption clGradientInactiveCaption clNone clDefault";
    std::istringstream words(names);
    int count = 0;
    for (std::string name; words >> name; ++count) {
        const auto color = IdentToColor(name);
        ASSERT_TRUE(color) << name;
        // Every name has a value of its own, so each comes back as itself.
        EXPECT_EQ(ColorToIdent(*color), name);
    }
    EXPECT_EQ(count, 49);
    EXPECT_EQ(IdentToColor("CLMONEYGREEN"), RGBColor(192, 220, 192));
    EXPECT_EQ(IdentToColor("clskyblue"), RGBColor(166, 202, 240));
    EXPECT_EQ(IdentToColor("clCream"), RGBColor(255, 251, 240));
    EXPECT_EQ(IdentToColor("clMedGray"), RGBColor(160, 160, 164));
    EXPECT_EQ(IdentToColor("clRed"), 0x000000FFu);
    EXPECT_EQ(IdentToColor("clBtnFace"), 0x8000000Fu);
    EXPECT_EQ(IdentToColor("clGradientInactiveCaption"), 0x8000001Cu);
    EXPECT_FALSE(IdentToColor("clLtGray"));
    EXPECT_FALSE(IdentToColor("Red"));
}

TEST(ColorText, HexInWebOrderOrANameWithoutPrefix) {
    EXPECT_EQ(ReadColorText("$FF8000"), RGBColor(255, 128, 0));
    EXPECT_EQ(ReadColorText("$ff8000"), RGBColor(255, 128, 0));
    EXPECT_EQ(ReadColorText("$00FF8000"), RGBColor(255, 128, 0));
    EXPECT_EQ(ReadColorText("$80FF0000"), RGBColor(255, 0, 0));
    EXPECT_EQ(ReadColorText("Navy"), RGBColor(0, 0, 128));
    EXPECT_EQ(ReadColorText("btnface"), clBtnFace);
    EXPECT_EQ(ReadColorText("None"), clNone);
    for (const char* bad : {"", "$", "$FFF", "$1234567", "$123456789", "$GG0000", "$ZZ00FF00",
                            "clRed", "Foo", " Red"})
        EXPECT_FALSE(ReadColorText(bad)) << bad;
}

TEST(ColorText, PromptTextIsTheNameOrSixHexDigitsAfter00) {
    EXPECT_EQ(ColorToText(clWhite), "White");
    EXPECT_EQ(ColorToText(clBtnFace), "BtnFace");
    EXPECT_EQ(ColorToText(RGBColor(255, 128, 0)), "$00FF8000");
    EXPECT_EQ(ReadColorText(ColorToText(RGBColor(1, 2, 3))), RGBColor(1, 2, 3));
}

TEST(ColorResolve, SystemColoursFollowThePalette) {
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    palette.setColor(QPalette::Text, QColor(40, 50, 60));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(70, 80, 90));
    palette.setColor(QPalette::ToolTipBase, QColor(1, 2, 3));
    const QColor fallback(9, 9, 9);
    EXPECT_EQ(ColorToQColor(clBtnFace, palette, fallback), QColor(10, 20, 30));
    EXPECT_EQ(ColorToQColor(clWindowText, palette, fallback), QColor(40, 50, 60));
    EXPECT_EQ(ColorToQColor(*IdentToColor("clGrayText"), palette, fallback), QColor(70, 80, 90));
    EXPECT_EQ(ColorToQColor(*IdentToColor("clInfoBk"), palette, fallback), QColor(1, 2, 3));
    EXPECT_EQ(ColorToQColor(clDefault, palette, fallback), fallback);
    EXPECT_EQ(ColorToQColor(clNone, palette, fallback).alpha(), 0);
    // Red in the lowest byte; a stray top byte is not part of the colour.
    EXPECT_EQ(ColorToQColor(0x02FF8000u, palette, fallback), QColor(0, 128, 255));
    // An index outside the scheme still resolves to something drawable.
    EXPECT_TRUE(ColorToQColor(SystemColor(200), palette, fallback).isValid());
}

TEST(ColorResolve, WithoutPaletteTheApplicationPaletteDecides) {
    const QPalette saved = QGuiApplication::palette();
    QPalette palette = saved;
    palette.setColor(QPalette::Highlight, QColor(200, 100, 50));
    QGuiApplication::setPalette(palette);
    EXPECT_EQ(ColorToQColor(*IdentToColor("clHighlight")), QColor(200, 100, 50));
    QGuiApplication::setPalette(saved);
}
