#pragma once
// Keltrix's own icon, drawn from its one SVG drawing at whatever size and device pixel ratio
// it is asked for: the application's window icon (_NET_WM_ICON) and the dragging handle.

#include <QIcon>

namespace keltrix {

QIcon KeltrixIcon();

} // namespace keltrix
