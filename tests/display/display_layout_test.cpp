// The layout on a real (offscreen) window: labels from the format string, rendering, stacking,
// alignment, the screen adjustment, and clicks that start programs.
#include "display/drag_handle.h"
#include "display_fixture.h"

#include <QMouseEvent>

#include <cstdlib>

using namespace keltrix;
using keltrix::displaytest::DisplayFixture;

namespace {

void Click(QWidget* widget) {
    const QPointF at(1, 1);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

} // namespace

using DisplayLayout = DisplayFixture;

TEST_F(DisplayLayout, OneLabelPerLineBlankUntilTheForcedSampleRendersThem) {
    Layout.SetFromString("Name: <NAME=CompName>\r\n\r\nplain");
    ASSERT_EQ(Layout.Labels().size(), 3u);
    EXPECT_EQ(Calls, "SRFT");
    EXPECT_EQ(CaptionsAtSample, (QStringList{"BLANK", "BLANK", "BLANK"}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Label(i)->objectName(), QString("FormatLabel%1").arg(i));
        EXPECT_EQ(Label(i)->parentWidget(), &Window);
    }
    EXPECT_EQ(Label(0)->FormatLine, "Name: <NAME=CompName>");
    EXPECT_EQ(Label(0)->text(), "Name: abc");
    EXPECT_EQ(Label(1)->text(), "");
    EXPECT_EQ(Layout.Captions(), (std::vector<std::string>{"Name: abc", "", "plain"}));
    EXPECT_TRUE(Formatters[5]->Active); // the system tags
    EXPECT_FALSE(Formatters[3]->Active);

    // Stacked from 2 at the first label's pitch, the window around the widest line.
    const int pitch = Label(0)->CurHeight();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Label(i)->y(), 2 + i * pitch);
    EXPECT_EQ(Window.height(), 2 + 3 * pitch);
    EXPECT_EQ(Window.width(), Label(0)->width() + 4 + 2);
}

TEST_F(DisplayLayout, ApplyingAgainReplacesLabelsAndLinks) {
    Layout.SetFromString("<LINK=\"a\">one\r\n<LINK=\"b\">two\r\nthree");
    EXPECT_EQ(Layout.LinkTable().size(), 2u);
    EXPECT_EQ(Label(0)->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Label(2)->cursor().shape(), Qt::ArrowCursor);

    Layout.SetFromString("x\r\n<link=\"c\" param=\"-q\">y");
    EXPECT_EQ(Window.findChildren<TFmtLabel*>().size(), 2);
    EXPECT_EQ(Layout.LinkTable(),
              (std::vector<std::string>{"FormatLabel1\xC2\xA7\"c\" \xC2\xA7-q"}));
    Layout.SetFromString("");
    EXPECT_TRUE(Layout.Labels().empty());
    EXPECT_TRUE(Layout.LinkTable().empty());
}

TEST_F(DisplayLayout, FixedSizeIsKeptAndRightAlignmentKeepsTheRightEdge) {
    Layout.SetFromString("short");
    Layout.AutoSize = false;
    Window.resize(300, 50);
    Layout.SetFromString("a much longer line than before\r\nb");
    EXPECT_EQ(Window.size(), QSize(300, 50));
    EXPECT_EQ(Label(1)->y(), 2 + Label(0)->CurHeight());

    Layout.AutoSize = true;
    Layout.SetAlignment(1);
    Window.setGeometry(500, 100, 50, 50);
    Layout.SetFromString("a much longer line than before, and longer still");
    EXPECT_GT(Window.width(), 50);
    EXPECT_EQ(Window.x() + Window.width(), 550);
    EXPECT_EQ(Label(0)->AlignDir(), 1);
    EXPECT_EQ(Formatters[0]->Alignment, 1);
}

TEST_F(DisplayLayout, AlignmentMovesLabelsAndTheDraggingHandle) {
    TDragHandle handle(&Window);
    handle.setGeometry(0, 0, 20, 20);
    Layout.SetDragHandle(&handle);
    Layout.SetFromString("text");
    Window.resize(200, 40);
    Layout.SetAlgn(Label(0));
    EXPECT_EQ(Label(0)->x(), 1);
    EXPECT_EQ(handle.x(), 180);

    Layout.SetAlignment(1);
    Layout.SetAlgn(Label(0));
    EXPECT_EQ(handle.x(), 0);
    EXPECT_EQ(Label(0)->AlignDir(), 1);
    EXPECT_EQ(Label(0)->x(), 200 - Label(0)->width() - 2);

    Layout.SetAlignment(2);
    Layout.SetAlgn(Label(0));
    EXPECT_EQ(handle.x(), 0);
    EXPECT_EQ(Label(0)->AlignDir(), 2);
}

TEST_F(DisplayLayout, RefreshKeepsTheWindowOnTheDesktop) {
    Layout.SetFromString("x");
    Window.move(1800, 1000);
    Desktop = {QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 740)};
    Layout.RefreshScreen();
    EXPECT_EQ(Window.pos(), QPoint(1024 - Window.width(), 768 - Window.height()));
    Desktop = {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)};
    Layout.RefreshScreen();
    EXPECT_EQ(Window.pos(), QPoint(1800, 1000));

    Layout.ScreenAdjust.Enabled = false;
    Desktop = {QRect(0, 0, 1024, 768), QRect(0, 0, 1024, 740)};
    Layout.RefreshScreen();
    EXPECT_EQ(Window.pos(), QPoint(1800, 1000));
}

TEST_F(DisplayLayout, SaveStringStoresWithoutRenderingAndApplyShowsTheCurrentString) {
    Layout.SaveString("a\r\nb");
    EXPECT_EQ(Layout.FormatString(), "a\r\nb");
    EXPECT_EQ(Settings.ReadString("FormatString"), "a\r\nb");
    EXPECT_TRUE(Layout.Labels().empty());

    // A preview shows another string without making it the current one.
    Layout.SetFromString("preview");
    EXPECT_EQ(Layout.FormatString(), "a\r\nb");
    Layout.ApplyFormatString();
    EXPECT_EQ(Layout.Captions(), (std::vector<std::string>{"a", "b"}));
}

class LinkClicks : public DisplayFixture {
protected:
    LinkClicks() {
        unsetenv("KELTRIX_SHELL_OPEN");
        // Writes its argument and the folder it runs in.
        displaytest::WriteFile(Script, "#!/bin/sh\necho \"$1|$(pwd)\" > '" + Output + "'\n", true);
    }
    ~LinkClicks() override { unsetenv("KELTRIX_SHELL_OPEN"); }

    std::string Script = Temp.File("run.sh");
    std::string Output = Temp.File("out.txt");
};

TEST_F(LinkClicks, AClickStartsTheTargetWithItsParameterInItsFolder) {
    Layout.SetFromString("plain\r\nVisit <LINK=\"" + Script + "\" PARAM=\"-v\">my tool");
    EXPECT_EQ(Layout.LinkTable().size(), 1u);
    Click(Label(1));
    EXPECT_EQ(displaytest::WaitForFile(Output), "-v|" + Temp.Path() + "\n");
    EXPECT_TRUE(Messages.empty());
}

TEST_F(LinkClicks, AMissingProgramIsNamedAndADocumentGoesAloneToTheOpener) {
    const std::string missing = Temp.File("no such tool");
    Layout.SetFromString("<LINK=\"" + missing + "\" PARAM=\"-v\">Tool\r\n" +
                         "<LINK=\"no-such-program-on-the-path\">Bare\r\n" +
                         "<LINK=\"run.sh\" PARAM=\"-w\">On the path");
    Click(Label(0));
    Click(Label(1));
    EXPECT_EQ(Messages, (std::vector<std::string>{
                            "Unable to follow link - " + missing + ": No such file or directory",
                            "Unable to follow link - no-such-program-on-the-path: No such file "
                            "or directory"}));
    // A bare name is a program the search path finds.
    const std::string path = std::getenv("PATH");
    setenv("PATH", (Temp.Path() + ":" + path).c_str(), 1);
    Click(Label(2));
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(displaytest::WaitForFile(Output),
              "-w|" + std::filesystem::current_path().string() + "\n");

    // The opener (xdg-open) takes one argument: the document, without the link's parameters.
    std::filesystem::remove(Output);
    const std::string opener = Temp.File("opener.sh");
    displaytest::WriteFile(opener, "#!/bin/sh\necho \"$#|$1\" > '" + Output + "'\n", true);
    setenv("KELTRIX_SHELL_OPEN", opener.c_str(), 1);
    const std::string document = Temp.File("notes.txt");
    displaytest::WriteFile(document, "notes\n");
    Layout.SetFromString("<LINK=\"" + document + "\" PARAM=\"-x y\">Notes");
    Click(Label(0));
    EXPECT_EQ(displaytest::WaitForFile(Output), "1|" + document + "\n");
    EXPECT_EQ(Messages.size(), 2u);
}

TEST_F(LinkClicks, FileLinksStartALineOfTheFileOrShowWhyNot) {
    const std::string list = Temp.File("links.txt");
    displaytest::WriteFile(list, "nothing here\n" + Script + "\n");
    Layout.SetFromString("<LINK=FILE=\"" + list + ",2\">News\r\n<LINK=FILE=\"" + list +
                         ",3\">Old\r\n<LINK=FILE=\"" + Temp.File("gone.txt") + ",1\">Gone");
    Layout.FollowLink(Label(0));
    EXPECT_EQ(displaytest::WaitForFile(Output), "|" + Temp.Path() + "\n");

    Layout.FollowLink(Label(1));
    Layout.FollowLink(Label(2));
    EXPECT_EQ(Messages,
              (std::vector<std::string>{"Unable to follow link - Line #3 doesn't exists",
                                        "Unable to follow link - Destination is missing\r\n" +
                                            Temp.File("gone.txt") + ",1"}));
}

TEST_F(LinkClicks, DriveLinesOpenTheMountPointAndLinksWinOverThem) {
    // The opener stands in for the file manager and records what it is given.
    setenv("KELTRIX_SHELL_OPEN", Script.c_str(), 1);
    Layout.SetFromString("All <NAME=DriveSpace FORMAT=\"ALL FREE\">\r\n"
                         "Root <NAME=DriveSpace FORMAT=\"C FREE\">\r\n"
                         "Both <LINK=FILE=\"" +
                         Temp.File("gone.txt") + ",1\"><NAME=DriveSpace FORMAT=\"C FREE\">");
    Click(Label(0));
    Click(Label(2));
    EXPECT_EQ(Messages.size(), 1u);
    EXPECT_TRUE(displaytest::ReadFile(Output).empty());
    Click(Label(1));
    EXPECT_EQ(displaytest::WaitForFile(Output),
              "/|" + std::filesystem::current_path().string() + "\n");
}
