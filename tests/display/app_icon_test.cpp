// Keltrix's icon, drawn from its SVG: at any size and pixel ratio, and in the dragging handle.
#include "display/app_icon.h"
#include "display/drag_handle.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <set>

using namespace keltrix;

namespace {

std::set<QRgb> ColoursIn(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    return colours;
}

} // namespace

TEST(KeltrixIcon, DrawsItsPictureAtEverySizeWithClearCorners) {
    const QIcon icon = KeltrixIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.availableSizes().isEmpty()) << "the window manager gets pictures";
    for (int size : {16, 20, 32, 256}) {
        const QImage picture = icon.pixmap(size, size).toImage();
        ASSERT_EQ(picture.size(), QSize(size, size));
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "rounded corner at " << size;
        EXPECT_EQ(qAlpha(picture.pixel(size / 2, size / 2)), 255) << size;
        EXPECT_GT(ColoursIn(picture).size(), 8u) << size;
    }
}

TEST(KeltrixIcon, DenseScreensGetTheirOwnPixels) {
    const QImage small = KeltrixIcon().pixmap(QSize(20, 20), 1.0).toImage();
    const QImage dense = KeltrixIcon().pixmap(QSize(20, 20), 2.0).toImage();
    ASSERT_EQ(dense.size(), QSize(40, 40));
    // Not the small picture doubled: 2x2 blocks of the dense one differ within.
    int mixed = 0;
    for (int y = 0; y < 40; y += 2)
        for (int x = 0; x < 40; x += 2)
            if (std::set<QRgb>{dense.pixel(x, y), dense.pixel(x + 1, y), dense.pixel(x, y + 1),
                               dense.pixel(x + 1, y + 1)}
                    .size() > 1)
                ++mixed;
    EXPECT_GT(mixed, 40);
    EXPECT_NE(dense.scaled(20, 20), small.convertToFormat(dense.format()));
}

TEST(DragHandle, ShowsTheIconOrTheWindowColour) {
    QWidget window;
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, QColor(10, 20, 30));
    window.setPalette(palette);
    window.resize(40, 40);
    TDragHandle handle(&window);
    handle.setGeometry(0, 0, 20, 20);
    EXPECT_EQ(ColoursIn(handle.grab().toImage()), std::set<QRgb>{qRgb(10, 20, 30)});
    handle.SetShown(true);
    const QImage shown = handle.grab().toImage();
    EXPECT_GT(ColoursIn(shown).size(), 8u);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(10, 20, 30)) << "the window shows in the round corners";
}
