// The window's place on a real (offscreen) window: the window system's moves stand in for a
// window manager that places the window as it likes.
#include "display/window_place.h"
#include "display_fixture.h"

#include <QWindow>

using namespace keltrix;
using keltrix::displaytest::DisplayFixture;

namespace {

class WindowPlace : public DisplayFixture {
protected:
    WindowPlace() {
        Layout.SetFromString("a line");
        Window.show();
        Settle();
    }
    // A move the program did not make, reported by the window system.
    void SystemMove(QPoint to) {
        Window.windowHandle()->setPosition(to);
        Settle();
    }
    static void Settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }
};

} // namespace

TEST_F(WindowPlace, MovesOfTheWindowSystemAreUndoneTheProgramsAreKept) {
    EXPECT_EQ(Layout.Place().Position(), QPoint(100, 100));
    SystemMove({0, 0});
    EXPECT_EQ(Window.pos(), QPoint(100, 100));
    EXPECT_EQ(Layout.Place().Position(), QPoint(100, 100));

    Window.move(300, 200);
    Settle();
    EXPECT_EQ(Layout.Place().Position(), QPoint(300, 200));
    // Growing lines resize the window where it is.
    Layout.SetFromString("a line that is a good deal wider than the one before");
    Settle();
    EXPECT_GT(Window.width(), 120);
    EXPECT_EQ(Window.pos(), QPoint(300, 200));
}

TEST_F(WindowPlace, AWindowPulledPartlyOntoTheDesktopComesOnWhole) {
    Layout.Place().MoveTo({5000, 4000});
    Settle();
    // The window manager leaves a corner in sight.
    SystemMove({1912, 1077});
    EXPECT_EQ(Window.pos(), QPoint(1920 - Window.width(), 1080 - Window.height()));
    EXPECT_EQ(Layout.Place().Position(), Window.pos());
    EXPECT_EQ(Layout.ScreenAdjust.Left, 5000) << "the stored place is where it goes back to";
}

TEST_F(WindowPlace, AWindowManagerThatInsistsIsGivenItsWay) {
    for (int i = 0; i < 6; ++i) SystemMove({10, 20});
    EXPECT_NE(Window.pos(), QPoint(100, 100));
    EXPECT_LT(Window.x(), 20);
    EXPECT_EQ(Layout.Place().Position(), Window.pos());
}
