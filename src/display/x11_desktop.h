#pragma once
// The few desktop facts and requests Qt has no call for, asked of the X server directly.
// Without X11 (Wayland, the offscreen platform) every call answers "no".

#include <QRegion>
#include <QWindow>

namespace keltrix::x11 {

// Asks the window manager to keep a shown window off the taskbar and the pager (Qt never sets
// those states). False when there is no X11 display or the window already has both states.
bool SkipTaskbar(WId window);

// The desktop is the foreground window: the active window is of the desktop type, or there
// is no active window. False without X11.
bool DesktopIsForeground();

// Cuts a window to a region given in its device pixels (the X shape, which Qt's own mask
// would give only in whole logical pixels), or gives it back its whole rectangle. False
// without X11 or its shape extension.
bool SetShape(WId window, const QRegion& devicePixels);
bool ClearShape(WId window);

// A mouse button (left, middle or right) is held down. False without X11.
bool PointerButtonsDown();

// Where the X server has the window's origin, in screen pixels (not where Qt believes it is,
// which can be its place inside the window manager's frame). False without X11.
bool WindowOrigin(WId window, int& x, int& y);

// A top-level window of that class (WM_CLASS) and title (_NET_WM_NAME or WM_NAME) exists,
// shown or not. False without X11.
bool WindowExists(const char* className, const char* title);

// Sends what Qt queued: it leaves changes such as the opacity unsent until something paints.
void Flush();

// An XEmbed tray (the system tray selection of the screen has an owner). One short request to
// the X server; false without X11.
bool XEmbedTrayPresent();

} // namespace keltrix::x11
