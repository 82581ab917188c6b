// Where the window sits: its z-order band (on top, normal, pinned to the bottom), its taskbar
// button, and moving it by dragging its body.

#include "base/smartlog.h"
#include "display/display_layout.h"
#include "display/window_behaviour.h"
#include "display/window_place.h"
#include "display/x11_desktop.h"
#include "settings/registry_store.h"

#include "display/drag_handle.h"
#include <QAction>
#include <QChildEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace keltrix {

void TWindowBehaviour::SetBand(TBand band) {
    const Qt::WindowFlags flags = Window_->windowFlags();
    Qt::WindowFlags wanted = flags & ~(Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint);
    if (band == TBand::Top) wanted |= Qt::WindowStaysOnTopHint;
    if (band == TBand::Bottom) wanted |= Qt::WindowStaysOnBottomHint;
    if (wanted == flags) return;
    // Told to the shown window as it is: QWidget::setWindowFlags would hide it and make a new
    // one, which the window manager places afresh and may activate.
    Window_->overrideWindowFlags(wanted);
    if (QWindow* window = Window_->windowHandle()) window->setFlags(wanted);
    x11::Flush();
}

void TWindowBehaviour::AlwaysOnTop1Click() {
    const bool on = !AlwaysOnTop1->isChecked();
    if (on && PinToDesktop1->isChecked()) {
        PinToDesktop1->setChecked(false);
        Settings_.WriteBool("PinToDesktop", false);
    }
    AlwaysOnTop1->setChecked(on);
    SetBand(on ? TBand::Top : TBand::Normal);
    Settings_.WriteBool("AOT", on);
}

void TWindowBehaviour::PinToDesktopClick() {
    LogAdd("PinToDesktopClick");
    const bool on = !PinToDesktop1->isChecked();
    // The window leaves the top band at the next refresh, when pinning moves it down.
    if (on && AlwaysOnTop1->isChecked()) {
        AlwaysOnTop1->setChecked(false);
        Settings_.WriteBool("AOT", false);
    }
    PinToDesktop1->setChecked(on);
    Settings_.WriteBool("PinToDesktop", on);
    // X11 keeps a window in the bottom band until told otherwise.
    if (!on) SetBand(AlwaysOnTop1->isChecked() ? TBand::Top : TBand::Normal);
}

void TWindowBehaviour::OverrideShowDesktop() {
    LogAdd("OverrideShowDesktop");
    if (!PinToDesktop1->isChecked() || AlwaysOnTop1->isChecked() || !NoDialogOpen()) return;
    if (Hooks_.FormatEditorVisible && Hooks_.FormatEditorVisible()) return;
    SetBand(TBand::Bottom);
    Window_->lower();
    // "Show desktop" left only the desktop: the window takes the focus so it stays shown.
    if (x11::DesktopIsForeground()) Window_->activateWindow();
    Window_->repaint();
}

void TWindowBehaviour::HideTaskbarButton() {
    // The QWindow's id: QWidget::winId() can lag behind after the flags recreated the window.
    if (Window_->isVisible() && Window_->windowHandle())
        x11::SkipTaskbar(Window_->windowHandle()->winId());
}

void TWindowBehaviour::Watch(QObject* object) {
    if (object->isWidgetType()) object->installEventFilter(this);
}

bool TWindowBehaviour::IsCaption(QPoint windowPos) const {
    if (LockPosition1->isChecked()) return false;
    const QWidget* under = Window_->childAt(windowPos);
    // The handle is background; with a transparent background every visible part drags.
    return under == nullptr || under == Handle_ || Transperant1->isChecked();
}

bool TWindowBehaviour::MousePress(QWidget* widget, QMouseEvent* event) {
    if (!widget || event->button() != Qt::LeftButton) return false;
    const QPoint local = event->position().toPoint();
    if (!IsCaption(widget == Window_ ? local : widget->mapTo(Window_, local))) return false;
    if (QWindow* window = Window_->windowHandle(); window && window->startSystemMove()) {
        Layout_.Place().UserMoveStarted();
        return true;
    }
    // No window manager to move it: the window follows the mouse until the release.
    Dragging_ = true;
    DragFrom_ = event->globalPosition().toPoint();
    WindowFrom_ = Window_->pos();
    return true;
}

bool TWindowBehaviour::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ChildAdded:
        if (watched == Window_) Watch(static_cast<QChildEvent*>(event)->child());
        break;
    case QEvent::Paint:
        // Also while rendering for the mask: the picture decides which pixels are the key.
        if (watched == Window_) PaintBackground();
        ScheduleShape();
        break;
    case QEvent::UpdateRequest:
        if (watched == Window_) return RepaintWithShape(event);
        break;
    case QEvent::Resize:
        if (watched == Window_) PlaceHandle();
        break;
    case QEvent::Move:
        if (watched == Window_ && UseWindowing && ShowPicture_) Window_->update();
        break;
    case QEvent::Show:
        if (watched != Window_) break;
        // Mapped only after this event: cut before it shows, ask once it is on the screen.
        if (Transperant1->isChecked()) UpdateShape();
        QTimer::singleShot(0, this, [this] { HideTaskbarButton(); });
        break;
    case QEvent::MouseButtonPress:
        return MousePress(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        if (Dragging_) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            Window_->move(WindowFrom_ + mouse->globalPosition().toPoint() - DragFrom_);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (Dragging_ && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            Dragging_ = false;
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace keltrix
