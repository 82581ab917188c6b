#include "display/window_place.h"

#include "base/smartlog.h"
#include "display/x11_desktop.h"

#include <QDateTime>
#include <QEvent>
#include <QWidget>
#include <QWindow>

namespace keltrix {
namespace {

constexpr int ButtonPollMs = 50;
// The last moves of a drag may be handled after the button is let go.
constexpr int DragSettleTicks = 6;
// More undone moves than this within the span: the window manager wants the window there.
constexpr std::size_t MaxRestores = 4;
constexpr qint64 RestoreSpanMs = 3000;

} // namespace

TWindowPlace::TWindowPlace(QWidget* window) : Window_(window), Place_(window->pos()) {
    ButtonWatch_.setInterval(ButtonPollMs);
    connect(&ButtonWatch_, &QTimer::timeout, this, [this] { WatchButtons(); });
    Window_->installEventFilter(this);
}

QPoint TWindowPlace::Position() const {
    return Window_->isVisible() ? Place_ : Window_->pos();
}

void TWindowPlace::MoveTo(QPoint place) {
    Place_ = place;
    if (Window_->pos() != place) Window_->move(place);
}

void TWindowPlace::UserMoveStarted() {
    UserMoving_ = true;
    ButtonsUpFor_ = 0;
    ButtonWatch_.start();
}

void TWindowPlace::WatchButtons() {
    if (x11::PointerButtonsDown()) {
        ButtonsUpFor_ = 0;
        return;
    }
    if (++ButtonsUpFor_ < DragSettleTicks) return;
    ButtonWatch_.stop();
    UserMoving_ = false;
    Place_ = OnScreen();
}

QPoint TWindowPlace::OnScreen() const {
    const QWindow* window = Window_->windowHandle();
    int x = 0, y = 0;
    if (!window || !x11::WindowOrigin(window->winId(), x, y)) return Window_->pos();
    const qreal ratio = window->devicePixelRatio();
    return ratio > 0 ? QPoint(qRound(x / ratio), qRound(y / ratio)) : QPoint(x, y);
}

bool TWindowPlace::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Window_ && event->type() == QEvent::Show) Place_ = Window_->pos();
    if (watched == Window_ && event->type() == QEvent::Move) {
        // The program's own moves arrive as they are made; the window system's spontaneously.
        if (!event->spontaneous())
            Place_ = Window_->pos();
        else if (Window_->pos() != Place_)
            SystemMoved();
    }
    return QObject::eventFilter(watched, event);
}

void TWindowPlace::SystemMoved() {
    // A drag the window manager carries out by itself (Alt and the mouse) is the user's too.
    if (!UserMoving_ && x11::PointerButtonsDown()) UserMoveStarted();
    if (UserMoving_) {
        Place_ = OnScreen();
        return;
    }
    // Qt may take the window's place inside the manager's frame (the origin, mostly) for its
    // place on the screen while the window never left it: then Qt is told again, and the place
    // stays whatever comes.
    const bool standsThere = OnScreen() == Place_;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    while (!Restores_.empty() && now - Restores_.front() > RestoreSpanMs) Restores_.pop_front();
    if (Restores_.size() >= MaxRestores) {
        if (standsThere) return;
        LogAdd("The window manager keeps the window at its own place");
        Place_ = OnScreen();
        return;
    }
    Restores_.push_back(now);
    if (!standsThere && BeforeRestore) BeforeRestore();
    if (Window_->pos() != Place_) Window_->move(Place_);
}

} // namespace keltrix
