// The colour key of a transparent window: the window is cut to the pixels that are not the
// window colour. Cut at device resolution through the X shape (Qt's own mask has whole
// logical pixels only, and clips the window's painting to the old mask), and changed around
// each repaint so that no moment shows a key pixel or the old shape over new text.

#include "display/window_behaviour.h"
#include "display/x11_desktop.h"

#include <QAction>
#include <QBitmap>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <utility>

namespace keltrix {
namespace {

WId NativeWindow(const QWidget* window) {
    // The QWindow's id: QWidget::winId() would create a native window that is not there yet.
    return window->windowHandle() && window->testAttribute(Qt::WA_WState_Created)
               ? window->windowHandle()->winId()
               : 0;
}

} // namespace

QRegion TWindowBehaviour::ComputeShape() {
    const qreal ratio = Window_->devicePixelRatioF();
    const QSize device = (QSizeF(Window_->size()) * ratio).toSize();
    if (device.isEmpty()) return {};
    const QColor key = Window_->palette().color(QPalette::Window);
    QImage image(device, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(key);
    Rendering_ = true;
    // What the window draws, at the resolution it is drawn on the screen.
    Window_->render(&image, QPoint(), QRegion(),
                    QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    Rendering_ = false;
    image.setDevicePixelRatio(1);
    return QRegion(QBitmap::fromImage(image.createMaskFromColor(key.rgb(), Qt::MaskInColor)));
}

void TWindowBehaviour::ApplyShape(const QRegion& shape) {
    // A shape worked out before the window existed on the screen is still to be given to it.
    const WId native = NativeWindow(Window_);
    if (shape == Shape_ && native == ShapedWindow_) return;
    Shape_ = shape;
    ShapedWindow_ = x11::SetShape(native, Shape_) ? native : 0;
}

void TWindowBehaviour::UpdateShape() {
    ShapePending_ = false;
    if (Transperant1->isChecked()) ApplyShape(ComputeShape());
}

void TWindowBehaviour::ScheduleShape() {
    if (Rendering_ || ShapePending_ || !Transperant1->isChecked()) return;
    ShapePending_ = true;
    QTimer::singleShot(0, this, [this] { UpdateShape(); });
}

void TWindowBehaviour::ClearShape() {
    ShapePending_ = false;
    Shape_ = QRegion();
    ShapedWindow_ = 0;
    x11::ClearShape(NativeWindow(Window_));
}

bool TWindowBehaviour::RepaintWithShape(QEvent* updateRequest) {
    if (!Transperant1->isChecked() || !Window_->isVisible()) return false;
    const QRegion next = ComputeShape();
    // Old picture, then new picture, each seen only through both shapes; then the new shape.
    ApplyShape(Shape_.intersected(next));
    // The paints of this repaint are in next already: they need no shape of their own.
    const bool pending = std::exchange(ShapePending_, true);
    static_cast<QObject*>(Window_)->event(updateRequest); // paints and sends the new picture
    ShapePending_ = pending;
    ApplyShape(next);
    return true;
}

} // namespace keltrix
