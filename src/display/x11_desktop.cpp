#include "display/x11_desktop.h"

#include <QGuiApplication>

// After Qt: Xlib defines Status, Bool, KeyPress and friends as macros.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace keltrix::x11 {
namespace {

Display* XDisplay() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

Atom Intern(Display* display, const char* name) {
    return XInternAtom(display, name, False);
}

// The 32-bit items of a property (atoms or window ids); empty when it is missing.
std::vector<unsigned long> ReadProperty(Display* display, Window window, Atom property, Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> items;
    if (XGetWindowProperty(display, window, property, 0, 256, False, type, &actualType, &format,
                           &count, &remaining, &data) != Success)
        return items;
    if (data && format == 32) {
        // Xlib hands 32-bit items over as longs.
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.assign(values, values + count);
    }
    if (data) XFree(data);
    return items;
}

bool Contains(const std::vector<unsigned long>& items, Atom atom) {
    for (unsigned long item : items)
        if (item == atom) return true;
    return false;
}

} // namespace

bool SkipTaskbar(WId window) {
    Display* display = XDisplay();
    if (!display || window == 0) return false;
    const Atom state = Intern(display, "_NET_WM_STATE");
    const Atom skipTaskbar = Intern(display, "_NET_WM_STATE_SKIP_TASKBAR");
    const Atom skipPager = Intern(display, "_NET_WM_STATE_SKIP_PAGER");
    const auto current = ReadProperty(display, static_cast<Window>(window), state, XA_ATOM);
    if (Contains(current, skipTaskbar) && Contains(current, skipPager)) return false;

    // A mapped window's state belongs to the window manager: ask it, don't write it.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window);
    event.xclient.message_type = state;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 1; // _NET_WM_STATE_ADD
    event.xclient.data.l[1] = static_cast<long>(skipTaskbar);
    event.xclient.data.l[2] = static_cast<long>(skipPager);
    event.xclient.data.l[3] = 1; // from a normal application
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
    return true;
}

bool DesktopIsForeground() {
    Display* display = XDisplay();
    if (!display) return false;
    const auto active = ReadProperty(display, DefaultRootWindow(display),
                                     Intern(display, "_NET_ACTIVE_WINDOW"), XA_WINDOW);
    if (active.empty() || active.front() == None) return true;
    const auto types = ReadProperty(display, static_cast<Window>(active.front()),
                                    Intern(display, "_NET_WM_WINDOW_TYPE"), XA_ATOM);
    return Contains(types, Intern(display, "_NET_WM_WINDOW_TYPE_DESKTOP"));
}

void Flush() {
    if (Display* display = XDisplay()) XFlush(display);
}

bool XEmbedTrayPresent() {
    Display* display = XDisplay();
    if (!display) return false;
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    return XGetSelectionOwner(display, Intern(display, name.c_str())) != None;
}

} // namespace keltrix::x11
