// The label painted for real on the offscreen platform. The font is drawn without
// anti-aliasing so that every pixel is either the background or a colour the markup chose.
#include "display/qab_label.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPixmap>

#include <climits>
#include <set>

using namespace keltrix;

namespace {

const QColor White(255, 255, 255);
const QColor Black(0, 0, 0);
const QColor Red(255, 0, 0);
const QColor Blue(0, 0, 255);
const QColor Grey(128, 128, 128);

int CountOf(const QImage& image, const QColor& color, int from = 0, int to = INT_MAX) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = std::max(from, 0); x < std::min(to, image.width()); ++x)
            if (image.pixel(x, y) == color.rgb()) ++count;
    return count;
}

int LeftmostOf(const QImage& image, const QColor& color) {
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixel(x, y) == color.rgb()) return x;
    return -1;
}

std::set<QRgb> ColoursIn(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    return colours;
}

class LabelPaint : public ::testing::Test {
protected:
    LabelPaint() {
        Window.resize(200, 40);
        SetWindowColor(White);
        Font.setFamily("DejaVu Sans");
        Font.setPixelSize(16);
        Font.setStyleStrategy(QFont::NoAntialias);
        Label = new TFmtLabel(&Window);
        Label->move(1, 2);
        Label->setFont(Font);
        Label->SetFontColor(clBlack);
    }

    void SetWindowColor(const QColor& color) {
        QPalette palette = Window.palette();
        palette.setColor(QPalette::Window, color);
        Window.setPalette(palette);
    }

    QImage Paint(const QString& caption) {
        Label->setText(caption);
        return Label->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

    int Advance(const QString& text, bool bold = false) const {
        QFont font = Font;
        font.setBold(bold);
        return QFontMetrics(font, Label).horizontalAdvance(text);
    }

    QWidget Window;
    QFont Font;
    TFmtLabel* Label = nullptr;
};

// The grey copy lies at the ink shifted by (dx, dy), under the ink itself.
void ExpectShadowOf(const QImage& plain, const QImage& shadowed, int dx, int dy) {
    ASSERT_EQ(plain.size(), shadowed.size());
    int greys = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            const QPoint from(x - dx, y - dy);
            QColor expected = White;
            if (plain.pixel(x, y) == Black.rgb())
                expected = Black;
            else if (plain.rect().contains(from) && plain.pixel(from) == Black.rgb()) {
                expected = Grey;
                ++greys;
            }
            ASSERT_EQ(shadowed.pixel(x, y), expected.rgb()) << "at " << x << "," << y;
        }
    }
    EXPECT_GT(greys, 10);
}

} // namespace

TEST_F(LabelPaint, SizesItselfToTheTextAndTheFontHeight) {
    const QImage image = Paint("CPU 42%");
    const int height = QFontMetrics(Font, Label).height();
    EXPECT_EQ(Label->size(), QSize(Advance("CPU 42%"), height));
    EXPECT_EQ(Label->CurHeight(), height + 2);
    EXPECT_EQ(Label->pos(), QPoint(1, 2)) << "left alignment leaves the label where it is";
    EXPECT_EQ(ColoursIn(image), (std::set<QRgb>{White.rgb(), Black.rgb()}));

    Paint("");
    EXPECT_EQ(Label->width(), 0);
    Paint("<NAME=Foo>");
    EXPECT_EQ(Label->width(), 0);
}

TEST_F(LabelPaint, BoldMakesItsRunWider) {
    Paint("WWW");
    const int plain = Label->width();
    Paint("<B>WWW");
    EXPECT_GT(Label->width(), plain);
    Paint("CPU <B>42</B>%");
    EXPECT_EQ(Label->width(), Advance("CPU ") + Advance("42", true) + Advance("%"));
    Paint("<B>4<B>2</B>%");
    EXPECT_EQ(Label->width(), Advance("4", true) + Advance("2", true) + Advance("%"));
}

// Each run is drawn in the font it was measured with, whatever the label's own font is.
TEST_F(LabelPaint, RunsAreDrawnInTheirOwnStyle) {
    const QImage plain = Paint("HHHH");
    const QImage bold = Paint("<B>HHHH");
    ASSERT_GT(bold.width(), plain.width());
    EXPECT_GT(CountOf(bold, Black), CountOf(plain, Black) * 5 / 4);
    EXPECT_NE(Paint("<I>HHHH"), plain);
    EXPECT_NE(Paint("<U>HHHH"), plain);

    QFont styled = Font;
    styled.setBold(true);
    styled.setItalic(true);
    styled.setUnderline(true);
    Label->setFont(styled);
    const QImage styledPlain = Paint("HHHH");
    EXPECT_EQ(Paint("<B>HHHH"), styledPlain) << "bold on a bold font changes nothing";
    EXPECT_EQ(Paint("</B></I></U>HHHH"), plain) << "the closing codes undo the font's styles";
    EXPECT_EQ(Label->width(), Advance("HHHH"));
}

TEST_F(LabelPaint, ColourCodePaintsAndEndCodeReturnsToTheFontColour) {
    const int split = Advance("II");
    const QImage image = Paint("<C:Red>II</C>II");
    EXPECT_GT(CountOf(image, Red, 0, split), 0);
    EXPECT_EQ(CountOf(image, Black, 0, split), 0);
    EXPECT_GT(CountOf(image, Black, split), 0);
    EXPECT_EQ(CountOf(image, Red, split), 0);

    const QImage hex = Paint("<C:$0000FF>I<C:$8000FF00>I");
    EXPECT_GT(CountOf(hex, Blue, 0, Advance("I")), 0);
    EXPECT_GT(CountOf(hex, QColor(0, 255, 0), Advance("I")), 0);

    // clRed is not a colour name here (it would be clclRed): blue stays.
    const QImage kept = Paint("<C:Blue>I<C:clRed>I");
    EXPECT_EQ(CountOf(kept, Red), 0);
    EXPECT_GT(CountOf(kept, Blue, Advance("I")), 0);
}

TEST_F(LabelPaint, FontColourAndSystemColours) {
    Label->SetFontColor(clDefault);
    QPalette own = Label->palette();
    own.setColor(QPalette::WindowText, QColor(200, 0, 200));
    Label->setPalette(own);
    EXPECT_GT(CountOf(Paint("I"), QColor(200, 0, 200)), 0);

    const QPalette saved = QGuiApplication::palette();
    QPalette scheme = saved;
    scheme.setColor(QPalette::Button, QColor(10, 200, 30));
    QGuiApplication::setPalette(scheme);
    const QImage image = Paint("<C:BtnFace>I");
    QGuiApplication::setPalette(saved);
    EXPECT_GT(CountOf(image, QColor(10, 200, 30)), 0);

    // clNone draws no text; a shadow still shows.
    Label->SetFontColor(clBlack);
    const QImage none = Paint("<C:None><S>H");
    EXPECT_EQ(ColoursIn(none), (std::set<QRgb>{White.rgb(), Grey.rgb()}));
}

TEST_F(LabelPaint, BackgroundIsTheWindowColour) {
    SetWindowColor(QColor(0, 0, 128));
    const QImage image = Paint("<BGC:Red>I");
    EXPECT_EQ(CountOf(image, White), 0);
    EXPECT_EQ(CountOf(image, Red), 0);
    EXPECT_GT(CountOf(image, QColor(0, 0, 128)), image.width() * image.height() / 2);
}

TEST_F(LabelPaint, ShadowIsAGreyCopyAtTheSignedOffset) {
    const QImage plain = Paint("H ");
    ExpectShadowOf(plain, Paint("<S>H "), 2, 2);
    ExpectShadowOf(plain, Paint("<S:-1>H "), -1, -1);
    ExpectShadowOf(plain, Paint("<S:3>H "), 3, 3);
    // A leftover tag beginning with S is a shadow code too.
    ExpectShadowOf(plain, Paint("<SIZE>H "), 2, 2);
    EXPECT_EQ(Label->width(), Advance("H ")) << "a shadow takes no width";

    const QImage off = Paint("<S>H</S>H");
    EXPECT_GT(CountOf(off, Grey, 0, Advance("H") + 2), 0);
    EXPECT_EQ(CountOf(off, Grey, Advance("H") + 2), 0);
}

TEST_F(LabelPaint, PixelStartPlacesTheTextAbsolutely) {
    const int ink = LeftmostOf(Paint("I"), Black);
    ASSERT_GE(ink, 0);
    EXPECT_EQ(LeftmostOf(Paint("<PIXELSTART=100>I"), Black), ink + 100);
    EXPECT_EQ(Label->width(), 100 + Advance("I"));
    const QImage after = Paint("WWWWW<PIXELSTART=100>I");
    EXPECT_LT(Advance("WWWWW"), 100);
    EXPECT_EQ(after.copy(100, 0, Advance("I"), after.height()),
              Paint("<PIXELSTART=100>I").copy(100, 0, Advance("I"), after.height()));
    // Going back: the line is as wide as where the pen ends.
    Paint("WWWW<PIXELSTART=0>I");
    EXPECT_EQ(Label->width(), Advance("I"));
    Paint("W<PIXELSTART=oops>I");
    EXPECT_EQ(Label->width(), Advance("W") + Advance("I"));
}

TEST_F(LabelPaint, AlignsInsideTheWindowAndWidensIt) {
    Label->SetAlignDir(1);
    Paint("<PIXELSTART=120>");
    EXPECT_EQ(Label->geometry(), QRect(80, 2, 120, Label->height()));
    Label->SetAlignDir(2);
    EXPECT_EQ(Label->x(), 40);
    Paint("<PIXELSTART=121>");
    EXPECT_EQ(Label->x(), 40) << "each half truncated: 100 - 60";
    Label->move(1, 2);
    Label->SetAlignDir(0);
    Paint("<PIXELSTART=50>");
    EXPECT_EQ(Label->x(), 1);

    Label->SetAlignDir(1);
    Paint("<PIXELSTART=300>");
    EXPECT_EQ(Window.width(), 310);
    EXPECT_EQ(Label->x(), 10);

    // A right-aligned line follows the window's right edge.
    Window.show();
    Window.resize(400, 40);
    EXPECT_EQ(Label->x(), 100);
    Window.hide();
}

TEST_F(LabelPaint, CodesThatDrawNothingOrALessThan) {
    const QImage empty = Paint("a<>b");
    for (const char* same : {"a<NAME=Foo>b", "a<BGC:Red>b", "a<q>b", "a<EU>b", "a</S>b"})
        EXPECT_EQ(Paint(same), empty) << same;
    EXPECT_EQ(Paint("x<B"), Paint("x"));

    const QImage lessThan = Paint("a<<>b");
    EXPECT_EQ(Label->width(), Advance("a") + Advance("<") + Advance("b"));
    EXPECT_GT(CountOf(lessThan, Black, Advance("a"), Advance("a") + Advance("<")), 0);
}

TEST_F(LabelPaint, RussianCharacterSetShowsCyrillic) {
    EXPECT_EQ(Paint("<RU>\u00C0\u00E1"), Paint("\u0410\u0431"));
    EXPECT_EQ(Paint("<RU>x<EU>\u00C0"), Paint("x\u00C0"));
}

TEST_F(LabelPaint, CaptionSetThroughTheBaseClassIsCaughtUpAtTheNextPaint) {
    Paint("x");
    static_cast<QLabel*>(Label)->setText("<PIXELSTART=50>I");
    Label->grab();
    QCoreApplication::processEvents();
    EXPECT_EQ(Label->width(), 50 + Advance("I"));
}

TEST_F(LabelPaint, CrispOnHighDensityScreens) {
    Label->setText("Wg/\\MW");
    QImage dense(Label->size() * 2, QImage::Format_RGB32);
    dense.setDevicePixelRatio(2);
    dense.fill(White);
    Label->render(&dense);
    // Drawn at device resolution, not pixel-doubled or smoothed from the low-density picture.
    EXPECT_EQ(ColoursIn(dense), (std::set<QRgb>{White.rgb(), Black.rgb()}));
    int mixedBlocks = 0;
    for (int y = 0; y + 1 < dense.height(); y += 2)
        for (int x = 0; x + 1 < dense.width(); x += 2) {
            const QRgb c = dense.pixel(x, y);
            if (dense.pixel(x + 1, y) != c || dense.pixel(x, y + 1) != c ||
                dense.pixel(x + 1, y + 1) != c)
                ++mixedBlocks;
        }
    EXPECT_GT(mixedBlocks, 10);
    EXPECT_GT(dense.width() - 1 - LeftmostOf(dense.mirrored(true, false), Black),
              dense.width() * 3 / 4);
}

TEST_F(LabelPaint, ClicksReachListenersOnly) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Label, &press);
    EXPECT_FALSE(press.isAccepted()) << "without a listener the window may drag";

    Paint("Drive D:");
    int clicks = 0;
    QObject::connect(Label, &TQabColorLabel::clicked, [&] { ++clicks; });
    QMouseEvent press2(QEvent::MouseButtonPress, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                       Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Label, &press2);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Label, &release);
    EXPECT_EQ(clicks, 1);
}
