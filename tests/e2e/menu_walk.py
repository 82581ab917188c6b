#!/usr/bin/python3
# Runs every command of the program's menu from the keyboard, answering each dialog it opens
# with its default button. The menu is found by
# walking it: an item that opens a menu is walked in turn; a level ends where the highlight
# comes back to its first item. Stops when the program ends (E&xit is the last item).
# The menu opens from the tray icon; when a command has hidden the icon, a second start of
# the program brings it back, as it would for a user.
# Usage: menu_walk.py PID WINDOW PROGRAM
import os
import subprocess
import sys
import time

from Xlib import X, display

PID, MAIN, PROGRAM = int(sys.argv[1]), int(sys.argv[2], 0), sys.argv[3]
d = display.Display()
START = time.time()
# How a dialog is answered, by its title: the keys, then Return.
# An answer that begins with "type:" is typed as text.
ANSWERS = {"Font": ["alt+a"], "Set HotKey": ["ctrl+shift+j"], "Options": ["alt+o"],
           "Export Config...": ["ctrl+a", "type:" + os.path.join(os.environ.get("TMPDIR", "/tmp"),
                                                                 "walk.kcfg")]}


def alive():
    try:
        with open(f"/proc/{PID}/stat") as f:
            return f.read().split(") ")[1][0] not in "ZX"
    except OSError:
        return False


def key(*keys):
    subprocess.run(["xdotool", "key", "--delay", "25", *keys], check=False)


def windows():
    out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(PID)],
                         capture_output=True, text=True).stdout.split()
    result = []
    for w in map(int, out):
        try:
            win = d.create_resource_object("window", w)
            attrs, geo = win.get_attributes(), win.get_geometry()
            name = win.get_wm_name() or ""
        except Exception:
            continue
        if attrs.map_state == X.IsViewable:
            result.append((w, attrs.override_redirect, geo.width, geo.height, name))
    return result


def menus():
    return [w for w, over, width, _, _ in windows() if over and width > 40]


def tray_icon():
    icons = [(w) for w, over, width, height, _ in windows() if over and width <= 40]
    return icons[0] if icons else None


# The program's own windows before any command ran: none of them is a dialog.
OWN = None


def dialogs():
    return [(w, name) for w, over, width, _, name in windows()
            if not over and w not in OWN and width > 40]


def wait(pred, seconds=1.5):
    end = time.time() + seconds
    while time.time() < end:
        value = pred()
        if value:
            return value
        time.sleep(0.05)
    return pred()


def snapshot(w):
    win = d.create_resource_object("window", w)
    geo = win.get_geometry()
    # Once the menu has drawn the new highlight: two looks alike.
    last = None
    for _ in range(40):
        image = win.get_image(0, 0, geo.width, geo.height, X.ZPixmap, 0xFFFFFFFF).data
        if image == last:
            return image
        last = image
        time.sleep(0.04)
    return last


def close_menus():
    for _ in range(6):
        if not menus():
            return
        key("Escape")
        time.sleep(0.1)


# Opens the menus along path (item indices from 0) and leaves the last item highlighted;
# returns the stack of menu windows.
def open_path(path, tries=3):
    close_menus()
    icon = tray_icon()
    if not icon:
        subprocess.run([PROGRAM], check=False, timeout=20)
        icon = wait(tray_icon, 10)
        if not icon:
            raise SystemExit("the tray icon did not come back")
    win = d.create_resource_object("window", icon)
    pos = win.translate_coords(d.screen().root, 0, 0)
    subprocess.run(["xdotool", "mousemove", "--sync", str(-pos.x + 8), str(-pos.y + 8),
                    "click", "3"], check=False)
    # A loaded machine can take seconds to map the menu.
    stack = wait(menus, 5)
    if not stack and tries > 1:
        # A dialog that took its time to appear holds the program: answer it and try again.
        answer_dialogs()
        return open_path(path, tries - 1)
    if not stack:
        raise SystemExit(f"the menu did not open; the program's windows: {windows()}")
    subprocess.run(["xdotool", "mousemove", "5", "1000"], check=False)
    key("Down")
    for depth, index in enumerate(path):
        if index:
            key(*["Down"] * index)
        if depth < len(path) - 1:
            before = set(stack)
            key("Right")
            new = wait(lambda: [m for m in menus() if m not in before])
            if not new:
                raise SystemExit(f"no submenu at {path[:depth + 1]}")
            stack = stack + new[:1]
    time.sleep(0.1)
    return stack


def count(path):
    stack = open_path(path + [0])
    first = snapshot(stack[-1])
    for n in range(1, 60):
        key("Down")
        if snapshot(stack[-1]) == first:
            return n
    raise SystemExit(f"no end to the menu at {path}")


def answer_dialogs():
    for _ in range(12):
        found = wait(dialogs, 0.25)
        if not found:
            return
        w, name = found[-1]
        subprocess.run(["xdotool", "windowactivate", "--sync", str(w)], check=False)
        time.sleep(0.15)
        for keys in ANSWERS.get(name.split(" \u2014 ")[0], []):
            if keys.startswith("type:"):
                subprocess.run(["xdotool", "type", "--delay", "20", keys[5:]], check=False)
            else:
                key(keys)
            time.sleep(0.2)
        key("Return")
        time.sleep(0.25)


def walk(path):
    for i in range(count(path)):
        stack = open_path(path + [i])
        before = set(stack)
        key("Right")
        if wait(lambda: [m for m in menus() if m not in before], 0.2):
            walk(path + [i])
            continue
        print("run", path + [i], round(time.time() - START, 1), flush=True)
        key("Return")
        answer_dialogs()
        if not alive():
            return False
    return True


OWN = {w for w, over, _, _, _ in windows() if not over} | {MAIN}
walk([])
if alive():
    raise SystemExit("the program still runs after the whole menu")
print("the program ended with its last command", flush=True)
