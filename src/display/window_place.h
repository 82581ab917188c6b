#pragma once
// Where the display window is meant to be. The program moves it (the stored values, the
// adjustment to a shrunken desktop, right alignment) and the user drags it; the window system
// may move it on its own as well: a window manager placing it as it likes, or, when a slow
// window manager takes the window on late, Qt losing the window's place (it then reports the
// origin of the manager's frame, and the next resize sends the window there). Such moves are
// undone.

#include <QObject>
#include <QPoint>
#include <QTimer>

#include <deque>
#include <functional>

class QWidget;

namespace keltrix {

class TWindowPlace : public QObject {
public:
    explicit TWindowPlace(QWidget* window);

    // The place the window keeps; what the exit stores. Only the program moves a hidden window.
    QPoint Position() const;
    // The program's own moves need nothing else: every QWidget::move is taken as the place.
    void MoveTo(QPoint place);

    // The user drags the window through the window manager: the moves that arrive while a
    // pointer button is held, and shortly after, are the user's.
    void UserMoveStarted();

    // Runs before a move of the window system is undone; may move the window itself (the
    // adjustment to a desktop that no longer holds the place).
    std::function<void()> BeforeRestore;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SystemMoved();
    void WatchButtons();
    // Where the window stands on the screen: the X server's word, else Qt's.
    QPoint OnScreen() const;

    QWidget* Window_;
    QPoint Place_;
    bool UserMoving_ = false;
    int ButtonsUpFor_ = 0;
    QTimer ButtonWatch_;
    // When recent moves were undone: a window manager that insists is given its way.
    std::deque<qint64> Restores_;
};

} // namespace keltrix
