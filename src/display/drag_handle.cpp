#include "display/drag_handle.h"

#include "display/app_icon.h"

#include <QPainter>

namespace keltrix {

TDragHandle::TDragHandle(QWidget* window) : QWidget(window) {}

void TDragHandle::SetShown(bool shown) {
    Shown_ = shown;
    Restack();
    update();
}

void TDragHandle::Restack() {
    if (Shown_)
        raise();
    else
        lower();
}

void TDragHandle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (Shown_) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        // Drawn as vectors on the screen's own pixels: crisp at every pixel ratio.
        KeltrixIcon().paint(&painter, rect());
    } else {
        // The window colour, whatever it is when this paints.
        painter.fillRect(rect(), palette().color(QPalette::Window));
    }
}

} // namespace keltrix
