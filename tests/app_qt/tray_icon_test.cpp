#include "app/tray_icon.h"
#include "app/tray_pictures.h"
#include "base/smartlog.h"
#include "measure/raw_data.h"
#include "platform/system_info.h"
#include "settings/registry_store.h"
#include "tags/proc_format.h"

#include <QAction>
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <unistd.h>

using namespace keltrix;

TEST(TrayXpPrefix, FollowsTheVersionWord) {
    // Windows: major in the low byte, minor in the next, build number above.
    EXPECT_EQ(XpPrefix(0x08930005), "");   // 5.0 build 2195
    EXPECT_EQ(XpPrefix(0x08940005), "XP"); // 5.0 build 2196
    EXPECT_EQ(XpPrefix(0x0A280105), "XP"); // 5.1 build 2600
    EXPECT_EQ(XpPrefix(0x00000004), "");   // 4.0
    EXPECT_EQ(XpPrefix(0x00000006), "XP"); // 6.0
    EXPECT_EQ(XpPrefix(0), "");
    // Linux kernel releases in the same word.
    EXPECT_EQ(XpPrefix(platform::VersionWord(6, 1, 0)), "XP");
    EXPECT_EQ(XpPrefix(platform::VersionWord(5, 0, 21)), "");
    EXPECT_EQ(XpPrefix(platform::VersionWord(4, 19, 0)), "XP");
}

TEST(TrayPictureChoice, ByKindSetClientModeAndPrefix) {
    struct TCase {
        std::uint8_t Kind;
        bool Rq, Client;
        const char* Prefix;
        const char* Expected;
    };
    const TCase cases[] = {
        {0, false, false, "", "SMILEYCONNECTED"},
        {1, false, false, "", "SMILEYDISCONNECTED"},
        {0, false, false, "XP", "XPSMILEYCONNECTED"},
        {1, false, true, "XP", "XPSMILEYDISCONNECTED"},
        {0, true, false, "XP", "ZCGREEN"},
        {0, true, true, "", "ZCGREENH"},
        {1, true, false, "", "ZCRED"},
        {1, true, true, "XP", "ZCREDH"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TrayPictureName(c.Kind, c.Rq, c.Client, c.Prefix), c.Expected)
            << int(c.Kind) << c.Rq << c.Client << c.Prefix;
        EXPECT_FALSE(Picture(c.Expected, 16).isNull()) << c.Expected;
    }
    EXPECT_THROW(TrayPictureName(2, false, false, ""), std::invalid_argument);
    EXPECT_THROW(TrayPictureName(3, true, true, "XP"), std::invalid_argument);
}

TEST(TrayCutText, CountsCharactersNotBytes) {
    EXPECT_EQ(CutText("Keltrix", 63), "Keltrix");
    EXPECT_EQ(CutText(std::string(100, 'a'), 63).size(), 63);
    const QString cut = CutText(std::string(300, 'x').replace(0, 2, "\xC3\xA9"), 255);
    EXPECT_EQ(cut.size(), 255);
    EXPECT_TRUE(cut.startsWith(QChar(0xE9)));
    // A character outside the basic plane is not split.
    EXPECT_EQ(CutText("a\xF0\x9F\x98\x80"
                      "b",
                      2),
              QString::fromUtf8("a\xF0\x9F\x98\x80"));
    EXPECT_EQ(CutText("", 5), "");
}

namespace {

class TrayIconTest : public testing::Test {
protected:
    void SetUp() override {
        File = testing::TempDir() + "/tray_" + std::to_string(getpid()) + ".reg";
        std::remove(File.c_str());
        Store = std::make_unique<TRegistryStore>(File);
        ASSERT_TRUE(Store->OpenKey("Software\\OrlenwickStudios\\Vistrand", true));
        Menu.addAction("E&xit");
    }
    void TearDown() override {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(w)) delete w;
        Menu.hide();
        smartlog::Install(nullptr);
        std::remove(File.c_str());
    }

    std::unique_ptr<TTrayIcon> Make(TTrayIconOptions options = {}) {
        if (!options.VersionWord) options.VersionWord = platform::VersionWord(6, 1, 0);
        if (!options.ClientMode) options.ClientMode = [this] { return Client; };
        if (!options.AlwaysOnTop) options.AlwaysOnTop = [this] { return OnTop; };
        options.BeforeMenu = [this] { ++MenuRebuilds; };
        options.Menu = &Menu;
        return std::make_unique<TTrayIcon>(*Store, &Window, &Proc, Raw, std::move(options));
    }

    QImage Icon16(const TTrayIcon& tray) const {
        return tray.CurrentIcon().pixmap(16).toImage().convertToFormat(QImage::Format_RGB32);
    }

    // What the processor figure must look like: black 8-point Tahoma at (3, 1) on 16 pixels.
    static QImage Expected(const QString& text) {
        QImage image(16, 16, QImage::Format_RGB32);
        image.fill(QApplication::palette().color(QPalette::Light));
        QPainter p(&image);
        QFont font("Tahoma");
        font.setPixelSize(11);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QRect(3, 1, 64, 64), Qt::AlignLeft | Qt::AlignTop, text);
        return image;
    }

    static std::vector<QMessageBox*> Boxes() {
        std::vector<QMessageBox*> boxes;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                boxes.push_back(box);
        return boxes;
    }

    std::string File;
    std::unique_ptr<TRegistryStore> Store;
    TRawDataShell Raw;
    TProcFormat Proc{Raw};
    QWidget Window;
    QMenu Menu;
    bool Client = false;
    bool OnTop = false;
    int MenuRebuilds = 0;
};

} // namespace

TEST_F(TrayIconTest, StartsWithThePrefixedConnectedPictureAndTheCutTooltip) {
    TTrayIconOptions options;
    options.InstanceId = std::string(80, 'k');
    options.VersionWord = 0x08930005; // no XP prefix
    auto tray = Make(options);
    EXPECT_EQ(tray->PictureName(), "SMILEYCONNECTED");
    EXPECT_EQ(tray->Record().Tip, QString(63, 'k'));
    EXPECT_FALSE(tray->IsShown());
    EXPECT_FALSE(tray->IconRemoved());
    EXPECT_EQ(Make()->PictureName(), "XPSMILEYCONNECTED");
    EXPECT_THROW(TTrayIcon(*Store, &Window, nullptr, Raw, {}), std::invalid_argument);
}

TEST_F(TrayIconTest, RqSetFollowsClientModeAndTheCurrentKind) {
    Client = true;
    auto tray = Make();
    tray->UseRQIcons1->trigger();
    EXPECT_EQ(tray->PictureName(), "ZCGREENH");
    EXPECT_TRUE(Store->ReadBool("RQIcons"));
    EXPECT_EQ(Icon16(*tray),
              Picture("ZCGREENH", 16).toImage().convertToFormat(QImage::Format_RGB32));
    tray->SetIconColor(IconDisconnected);
    EXPECT_EQ(tray->PictureName(), "ZCREDH");

    Client = false;
    tray->SetIconColor(IconConnected);
    EXPECT_EQ(tray->PictureName(), "ZCGREEN");
    tray->SetIconColor(IconDisconnected);
    tray->UseRQIcons1->trigger(); // keeps the link state
    EXPECT_EQ(tray->PictureName(), "XPSMILEYDISCONNECTED");
    EXPECT_FALSE(Store->ReadBool("RQIcons"));

    EXPECT_THROW(tray->SetIconColor(3), std::invalid_argument);
    EXPECT_EQ(tray->IconKind(), IconDisconnected);
    EXPECT_EQ(tray->PictureName(), "XPSMILEYDISCONNECTED");
}

TEST_F(TrayIconTest, DisplayProcessorUsageStoresTheCheckAndSwitchesTheKind) {
    auto tray = Make();
    Proc.Active = false;
    tray->DisplayProcessorUsageinIcon1->trigger();
    EXPECT_TRUE(tray->DisplayProcessorUsageinIcon1->isChecked());
    EXPECT_TRUE(Store->ReadBool("DisplayProcInTray"));
    EXPECT_EQ(tray->IconKind(), IconProcessorUsage);
    EXPECT_TRUE(tray->PictureName().empty());
    EXPECT_TRUE(Proc.Active) << "sampling must measure the processor for the icon";

    tray->DisplayProcessorUsageinIcon1->trigger();
    EXPECT_FALSE(Store->ReadBool("DisplayProcInTray"));
    EXPECT_EQ(tray->IconKind(), IconConnected);
    EXPECT_EQ(tray->PictureName(), "XPSMILEYCONNECTED");
}

TEST_F(TrayIconTest, ProcessorUsageFigure) {
    auto tray = Make();
    const struct {
        float Usage;
        const char* Text;
    } cases[] = {{99.5f, "99"}, {100.0f, "99"}, {7.2f, "07"},
                 {9.7f, "010"}, {0.0f, "00"},   {42.0f, "42"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Usage);
        Raw.Data().ProcUsage[0] = c.Usage;
        Raw.Data().ProcUsage[1] = 55.0f; // only the total counts
        tray->SetIconColor(IconProcessorUsage);
        // The third digit of 010 lies beyond the 16 pixels, so the text is checked too.
        EXPECT_EQ(tray->ProcessorUsageText(), c.Text);
        EXPECT_EQ(Icon16(*tray), Expected(c.Text)) << "expected " << c.Text;
    }
    Raw.Data().ProcUsage[0] = 7.2f;
    tray->SetIconColor(IconProcessorUsage);
    EXPECT_NE(Icon16(*tray), Expected("7")) << "the comparison must see the digits";
    // Trays that ask for larger icons get a figure drawn for that size.
    EXPECT_EQ(tray->CurrentIcon().pixmap(32).size(), QSize(32, 32));
    EXPECT_NE(tray->CurrentIcon().pixmap(32).toImage(),
              tray->CurrentIcon().pixmap(16).scaled(32, 32).toImage());
}

TEST_F(TrayIconTest, IconRemovedFlagTransitions) {
    auto tray = Make();
    tray->Add();
    tray->HideIcon1->trigger();
    EXPECT_FALSE(tray->IsShown());
    EXPECT_TRUE(tray->IconRemoved());

    tray->ToggleByHotkey();
    EXPECT_TRUE(tray->IsShown());
    EXPECT_FALSE(tray->IconRemoved());
    tray->ToggleByHotkey();
    EXPECT_FALSE(tray->IsShown());
    EXPECT_TRUE(tray->IconRemoved());

    // A picture update clears the flag without bringing the icon back...
    tray->SetIconColor(IconDisconnected);
    EXPECT_FALSE(tray->IconRemoved());
    EXPECT_FALSE(tray->IsShown());
    // ...so the next hotkey press removes nothing, and the one after brings it back.
    tray->ToggleByHotkey();
    EXPECT_FALSE(tray->IsShown());
    EXPECT_TRUE(tray->IconRemoved());
    tray->ToggleByHotkey();
    EXPECT_TRUE(tray->IsShown());
    EXPECT_FALSE(tray->IconRemoved());
}

TEST_F(TrayIconTest, SecondStartAndTrayRestartBringTheIconBack) {
    auto tray = Make();
    tray->Add();
    tray->HideIcon1Click();
    tray->ReTray();
    EXPECT_TRUE(tray->IsShown());
    EXPECT_TRUE(tray->IconRemoved()) << "a second start leaves the flag alone";

    tray->HideIcon1Click();
    tray->TaskBarWndProc();
    EXPECT_TRUE(tray->IsShown());
    EXPECT_FALSE(tray->IconRemoved());

    // From the re-add thread the pair runs later, on the UI thread.
    tray->HideIcon1Click();
    std::thread([&] { tray->ReTray(); }).join();
    EXPECT_FALSE(tray->IsShown());
    QApplication::processEvents();
    EXPECT_TRUE(tray->IsShown());
}

TEST_F(TrayIconTest, BalloonRecordIsCutAndLogged) {
    TSmartLog log("KeltrixBeta");
    smartlog::Install(&log);
    auto tray = Make();
    tray->ShowBalloonTips(std::string(300, 't'), std::string(70, 'T'), BalloonError);
    EXPECT_EQ(tray->Record().BalloonText, QString(255, 't'));
    EXPECT_EQ(tray->Record().BalloonTitle, QString(63, 'T'));
    EXPECT_EQ(tray->Record().BalloonTimeout, 3000);
    EXPECT_EQ(tray->Record().BalloonKind, BalloonError);
    EXPECT_EQ(log.Lines().back(),
              "ShowBalloonTips ( " + std::string(70, 'T') + " -;- " + std::string(300, 't') + " )");

    // A later picture update shows the new figure and no balloon of its own.
    Raw.Data().ProcUsage[0] = 42.0f;
    tray->SetIconColor(IconProcessorUsage);
    EXPECT_EQ(Icon16(*tray), Expected("42"));
    EXPECT_EQ(log.Lines().back(), "SetIconColor");
}

TEST_F(TrayIconTest, NoBalloonShowsTitleTwoLineBreaksAndText) {
    TTrayIconOptions options;
    options.NoBalloon = true;
    auto tray = Make(options);
    tray->ShowBalloonTips("Keltrix Has Just reported an error\r\n\r\nEXCEPTION (E) --- x",
                          "Oops ... !!!", BalloonError);
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->text(),
              "Oops ... !!!\n\nKeltrix Has Just reported an error\n\nEXCEPTION (E) --- x");
    EXPECT_FALSE(boxes[0]->isModal()) << "the timer and the menu keep working";
    EXPECT_TRUE(tray->Record().BalloonText.isEmpty()) << "no balloon is prepared";

    // From another thread the caller does not wait for the box.
    std::thread([&] { tray->ShowBalloonTips("later", "Keltrix", BalloonNone); }).join();
    EXPECT_EQ(Boxes().size(), 1u);
    QApplication::processEvents();
    EXPECT_EQ(Boxes().size(), 2u);
}

TEST(TrayNotifications, BodyAndIconFollowTheDaemonAndTheKind) {
    EXPECT_EQ(NotificationBody("a <b> & c\r\nd", false), "a <b> & c\nd");
    EXPECT_EQ(NotificationBody("a <b> & c\r\nd", true), "a &lt;b&gt; &amp; c\nd");
    EXPECT_EQ(NotificationIcon(BalloonError), "dialog-error");
    EXPECT_EQ(NotificationIcon(BalloonWarning), "dialog-warning");
    EXPECT_EQ(NotificationIcon(BalloonInfo), "dialog-information");
    EXPECT_EQ(NotificationIcon(BalloonNone), "keltrix");
}

TEST_F(TrayIconTest, WithoutATrayHostBalloonsBecomeMessageBoxes) {
    auto tray = Make();
    ASSERT_FALSE(tray->HasTrayHost()) << "the offscreen platform has no tray";
    tray->ShowBalloonTips("Debug mode", "Keltrix", BalloonNone);
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]->text(), "Keltrix\n\nDebug mode");
    EXPECT_EQ(tray->Record().BalloonText, "Debug mode");
}

TEST_F(TrayIconTest, RightClickRebuildsAndOpensTheMenuDoubleClickRaises) {
    TSmartLog log("KeltrixBeta");
    smartlog::Install(&log);
    auto tray = Make();
    Window.show();
    tray->IconTray(QSystemTrayIcon::Context);
    EXPECT_EQ(MenuRebuilds, 1);
    EXPECT_TRUE(Menu.isVisible());
    const auto lines = log.Lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "IconTray");
    EXPECT_EQ(lines.back(), "PopupMenu1Popup") << "the menu rebuilds as it opens";
    // Open already (Qt pops it up on an XEmbed icon itself): not opened twice.
    tray->IconTray(QSystemTrayIcon::Context);
    EXPECT_EQ(MenuRebuilds, 1);
    Menu.hide();
    // However the menu opens, it rebuilds: a StatusNotifierItem host shows it over D-Bus.
    emit Menu.aboutToShow();
    EXPECT_EQ(MenuRebuilds, 2);
    --MenuRebuilds;

    OnTop = true;
    tray->IconTray(QSystemTrayIcon::Context);
    EXPECT_EQ(MenuRebuilds, 2) << "the menu opens whatever the window order";
    EXPECT_TRUE(Menu.isVisible());
    Menu.hide();

    tray->IconTray(QSystemTrayIcon::Trigger);
    tray->IconTray(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(MenuRebuilds, 2);
    EXPECT_FALSE(Menu.isVisible());
    Window.hide();
}
