// The background picture: decoders, the stretch onto the window, and a picture that cannot be
// loaded.
#include "display/background_image.h"
#include "display/window_behaviour.h"
#include "display_fixture.h"

#include <QImage>

using namespace keltrix;

namespace {

QImage Filled(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

bool Near(QRgb a, QColor b, int tolerance = 12) {
    return std::abs(qRed(a) - b.red()) <= tolerance &&
           std::abs(qGreen(a) - b.green()) <= tolerance &&
           std::abs(qBlue(a) - b.blue()) <= tolerance;
}

} // namespace

TEST(BackgroundImage, JpegGoesThroughLibjpegAndBrokenFilesFailQuietly) {
    displaytest::TTempFolder temp;
    const std::string jpeg = temp.File("back.JPG");
    ASSERT_TRUE(Filled({40, 30}, QColor(200, 30, 30)).save(QString::fromStdString(jpeg), "JPEG"));
    EXPECT_TRUE(IsJpegName(jpeg));
    EXPECT_TRUE(IsJpegName("a.jpeg"));
    EXPECT_FALSE(IsJpegName("a.png"));
    EXPECT_FALSE(IsJpegName("dir.jpg/file"));

    std::string error;
    const QImage image = LoadJpegFile(jpeg, &error);
    ASSERT_FALSE(image.isNull()) << error;
    EXPECT_EQ(image.size(), QSize(40, 30));
    EXPECT_TRUE(Near(image.pixel(20, 15), QColor(200, 30, 30)));

    const std::string bytes = displaytest::ReadFile(jpeg);
    // Cut anywhere: a picture (missing rows grey) or an error, never the end of the process.
    for (std::size_t cut = 0; cut < bytes.size(); cut += 97) {
        displaytest::WriteFile(temp.File("cut.jpg"), bytes.substr(0, cut));
        error.clear();
        const bool failed = LoadJpegFile(temp.File("cut.jpg"), &error).isNull();
        EXPECT_EQ(failed, !error.empty()) << cut;
    }
    displaytest::WriteFile(temp.File("text.jpg"), "not a picture");
    EXPECT_TRUE(LoadJpegFile(temp.File("text.jpg"), &error).isNull());
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(LoadJpegFile(temp.File("none.jpg"), &error).isNull());

    TBackgroundImage cache;
    EXPECT_FALSE(cache.Load(jpeg).isNull());
    EXPECT_EQ(cache.Scaled({80, 60}).size(), QSize(80, 60));
    displaytest::WriteFile(jpeg, "changed");
    EXPECT_TRUE(cache.Load(jpeg).isNull());
    EXPECT_FALSE(cache.Error().empty());
}

class Background : public displaytest::DisplayFixture {
protected:
    Background() {
        TWindowBehaviourHooks hooks;
        hooks.ShowMessage = [this](const std::string& text) { Messages.push_back(text); };
        Window_ = std::make_unique<TWindowBehaviour>(&Window, Layout, Settings, hooks, TPrompts{});
    }
    std::unique_ptr<TWindowBehaviour> Window_;
};

TEST_F(Background, PictureIsStretchedOverTheWindow) {
    const std::string png = Temp.File("back.png");
    ASSERT_TRUE(Filled({4, 4}, QColor(0, 0, 255)).save(QString::fromStdString(png)));
    Settings.WriteInteger("BGColor", static_cast<std::int32_t>(RGBColor(255, 0, 0)));
    Settings.WriteInteger("UseFileNameAsBackground", 1);
    Settings.WriteString("BGFileName", png);
    Window_->SetBackDone();
    EXPECT_EQ(Window_->WindowColor(), clWhite);
    const QImage shown = Window.grab().toImage();
    EXPECT_EQ(shown.pixel(60, 150), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(119, 205), qRgb(0, 0, 255));

    Settings.WriteInteger("UseFileNameAsBackground", 0);
    Window_->SetBackDone();
    EXPECT_EQ(Window.grab().toImage().pixel(60, 150), qRgb(255, 0, 0));
}

TEST_F(Background, APictureThatCannotBeLoadedShowsTheColourAndSaysSoOnce) {
    Settings.WriteInteger("BGColor", static_cast<std::int32_t>(RGBColor(255, 0, 0)));
    Settings.WriteInteger("UseFileNameAsBackground", 1);
    Settings.WriteString("BGFileName", Temp.File("missing.bmp"));
    Window_->SetBackDone();
    Window.grab();
    Window_->SetBackDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(Window_->WindowColor(), RGBColor(255, 0, 0));
    EXPECT_EQ(Window.grab().toImage().pixel(60, 150), qRgb(255, 0, 0));
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_NE(Messages[0].find("missing.bmp"), std::string::npos);
}
