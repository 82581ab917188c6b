#include "app/tray_pictures.h"

#include <QImage>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace keltrix;

namespace {

int CountPixels(const QImage& image, const std::function<bool(const QColor&)>& match) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (match(image.pixelColor(x, y))) ++count;
    return count;
}

bool Opaque(const QColor& c) {
    return c.alpha() > 200;
}
bool Cyan(const QColor& c) {
    return Opaque(c) && c.red() < 60 && c.green() > 100 && c.blue() > 100;
}
bool Red(const QColor& c) {
    return Opaque(c) && c.red() > 120 && c.green() < 80 && c.blue() < 80;
}
bool Green(const QColor& c) {
    return Opaque(c) && c.green() > 100 && c.red() < 60 && c.blue() < 60;
}
bool Blue(const QColor& c) {
    return Opaque(c) && c.blue() > 120 && c.red() < 110;
}
bool White(const QColor& c) {
    return Opaque(c) && c.red() > 230 && c.green() > 230 && c.blue() > 230;
}

QImage Image(std::string_view name, int size) {
    return Picture(name, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST(TrayPictures, EveryPictureIsDrawnAtEveryTraySizeOnATransparentGround) {
    for (std::string_view name : PictureNames) {
        for (int size : {16, 22, 32, 48}) {
            SCOPED_TRACE(std::string(name) + " at " + std::to_string(size));
            const QImage image = Image(name, size);
            ASSERT_EQ(image.size(), QSize(size, size));
            EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0) << "corner should be transparent";
            const int opaque = CountPixels(image, Opaque);
            EXPECT_GT(opaque, size * size / 4) << "too little drawn";
        }
    }
}

TEST(TrayPictures, EachNameHasItsOwnPicture) {
    for (std::size_t i = 0; i < PictureNames.size(); ++i)
        for (std::size_t j = i + 1; j < PictureNames.size(); ++j)
            EXPECT_NE(Image(PictureNames[i], 16), Image(PictureNames[j], 16))
                << PictureNames[i] << " and " << PictureNames[j];
}

TEST(TrayPictures, ColoursFollowTheRoles) {
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        const int area = size * size;
        const QImage connected = Image("SMILEYCONNECTED", size);
        EXPECT_GT(CountPixels(connected, Cyan), area / 4);
        EXPECT_EQ(CountPixels(connected, Red), 0);
        const QImage disconnected = Image("SMILEYDISCONNECTED", size);
        EXPECT_GT(CountPixels(disconnected, Red), area / 4);
        EXPECT_EQ(CountPixels(disconnected, Cyan), 0);

        const QImage badge = Image("XPSMILEYCONNECTED", size);
        EXPECT_GT(CountPixels(badge, Blue), area / 4);
        EXPECT_GT(CountPixels(badge, White), 0);
        const QImage redBadge = Image("XPSMILEYDISCONNECTED", size);
        EXPECT_GT(CountPixels(redBadge, Red), area / 4);
        EXPECT_EQ(CountPixels(redBadge, Blue), 0);

        for (const char* name : {"ZCGREEN", "ZCGREENH"}) {
            const QImage image = Image(name, size);
            EXPECT_GT(CountPixels(image, Green), area / 16) << name;
            EXPECT_GT(CountPixels(image, White), area / 16) << name;
            EXPECT_EQ(CountPixels(image, Red), 0) << name;
        }
        for (const char* name : {"ZCRED", "ZCREDH"}) {
            const QImage image = Image(name, size);
            EXPECT_GT(CountPixels(image, Red), area / 16) << name;
            EXPECT_GT(CountPixels(image, White), area / 16) << name;
            EXPECT_EQ(CountPixels(image, Green), 0) << name;
        }
    }
}

TEST(TrayPictures, UnknownNamesAndSizesGiveNothing) {
    EXPECT_TRUE(Picture("SMILEY", 16).isNull());
    EXPECT_TRUE(Picture("smileyconnected", 16).isNull());
    EXPECT_TRUE(Picture("ZCGREEN", 0).isNull());
    EXPECT_TRUE(PictureIcon("NOPE").isNull());
    EXPECT_TRUE(ProcessorUsagePicture("42", 0, Qt::white).isNull());
}

TEST(TrayPictures, IconCarriesOneDrawnPicturePerTraySize) {
    const QIcon icon = PictureIcon("ZCREDH");
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : TrayIconSizes) {
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
        // Drawn for the size, not scaled from another one.
        EXPECT_EQ(icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32),
                  Image("ZCREDH", size))
            << size;
    }
}

TEST(TrayPictures, ProcessorUsagePictureIsOpaqueWithBlackTextOnTheBackground) {
    const QColor background(0xE3, 0xE3, 0xE3);
    for (int size : TrayIconSizes) {
        SCOPED_TRACE(size);
        const QImage image = ProcessorUsagePicture("88", size, background)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(CountPixels(image, [](const QColor& c) { return c.alpha() != 255; }), 0);
        EXPECT_EQ(image.pixelColor(0, size - 1), background);
        EXPECT_GT(CountPixels(image, [](const QColor& c) { return c.lightness() < 80; }), size / 2);
    }
    // The text starts right of x = 3 on 16 pixels.
    const QImage small = ProcessorUsagePicture("88", 16, background).toImage();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(small.pixelColor(x, y), background) << x << "," << y;
}
