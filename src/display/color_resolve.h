#pragma once
// Colour values turned into real colours at drawing time.

#include "display/colors.h"

#include <QColor>
#include <QPalette>

namespace keltrix {

// System colours take the matching role of palette (the application palette when none is
// given), so they follow the desktop's colour scheme. clDefault gives fallback; clNone gives
// a fully transparent colour. Bits above blue in an explicit value are ignored.
QColor ColorToQColor(TColor color, const QPalette& palette, const QColor& fallback);
QColor ColorToQColor(TColor color, const QColor& fallback = QColor());

// The palette role a system colour index stands for (the window's colour for unknown ones).
QPalette::ColorRole SystemColorRole(std::uint8_t index, QPalette::ColorGroup* group = nullptr);

} // namespace keltrix
