#include "display/x11_desktop.h"

#include <QGuiApplication>

// After Qt: Xlib defines Status, Bool, KeyPress and friends as macros.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include <cstring>
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

bool HasShapes(Display* display) {
    int eventBase = 0, errorBase = 0;
    return XShapeQueryExtension(display, &eventBase, &errorBase);
}

bool Contains(const std::vector<unsigned long>& items, Atom atom) {
    for (unsigned long item : items)
        if (item == atom) return true;
    return false;
}

std::string Title(Display* display, Window window) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, Intern(display, "_NET_WM_NAME"), 0, 256, False,
                           Intern(display, "UTF8_STRING"), &actualType, &format, &count, &remaining,
                           &data) == Success &&
        data && format == 8)
        title.assign(reinterpret_cast<const char*>(data), count);
    if (data) XFree(data);
    if (!title.empty()) return title;
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        title = name;
        XFree(name);
    }
    return title;
}

bool IsWindowOf(Display* display, Window window, const char* className, const char* title) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return false;
    const bool sameClass = hint.res_class && std::strcmp(hint.res_class, className) == 0;
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return sameClass && Title(display, window) == title;
}

// Top-level windows are children of the root, or of the frames a window manager puts
// around them.
bool FindBelow(Display* display, Window parent, int depth, const char* className,
               const char* title) {
    Window root = None, up = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return false;
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i)
        found = IsWindowOf(display, children[i], className, title) ||
                (depth > 1 && FindBelow(display, children[i], depth - 1, className, title));
    if (children) XFree(children);
    return found;
}

} // namespace

bool WindowExists(const char* className, const char* title) {
    Display* display = XDisplay();
    return display && FindBelow(display, DefaultRootWindow(display), 2, className, title);
}

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

bool SetShape(WId window, const QRegion& devicePixels) {
    Display* display = XDisplay();
    if (!display || window == 0 || !HasShapes(display)) return false;
    std::vector<XRectangle> rects;
    rects.reserve(static_cast<std::size_t>(devicePixels.rectCount()));
    for (const QRect& r : devicePixels)
        rects.push_back({static_cast<short>(r.x()), static_cast<short>(r.y()),
                         static_cast<unsigned short>(r.width()),
                         static_cast<unsigned short>(r.height())});
    // No rectangles is a window that shows nothing, which is what an empty region means.
    XShapeCombineRectangles(display, static_cast<Window>(window), ShapeBounding, 0, 0, rects.data(),
                            static_cast<int>(rects.size()), ShapeSet, Unsorted);
    XFlush(display);
    return true;
}

bool ClearShape(WId window) {
    Display* display = XDisplay();
    if (!display || window == 0 || !HasShapes(display)) return false;
    XShapeCombineMask(display, static_cast<Window>(window), ShapeBounding, 0, 0, None, ShapeSet);
    XFlush(display);
    return true;
}

bool PointerButtonsDown() {
    Display* display = XDisplay();
    if (!display) return false;
    Window root = None, child = None;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display, DefaultRootWindow(display), &root, &child, &rootX, &rootY, &x, &y,
                       &mask))
        return false;
    return mask & (Button1Mask | Button2Mask | Button3Mask);
}

bool WindowOrigin(WId window, int& x, int& y) {
    Display* display = XDisplay();
    if (!display || window == 0) return false;
    Window child = None;
    return XTranslateCoordinates(display, static_cast<Window>(window), DefaultRootWindow(display),
                                 0, 0, &x, &y, &child) != 0;
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
