#!/usr/bin/python3
"""Prints the text of the X clipboard (the CLIPBOARD selection) as UTF-8; exits 1 when no
program owns the clipboard or it offers no text within the time-out."""
import sys
import time

from Xlib import X, Xatom, display

TIMEOUT = float(sys.argv[1]) if len(sys.argv) > 1 else 3.0

d = display.Display()
window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
clipboard = d.intern_atom("CLIPBOARD")
utf8 = d.intern_atom("UTF8_STRING")
target = d.intern_atom("KELTRIX_CLIP")
if d.get_selection_owner(clipboard) == X.NONE:
    sys.exit(1)
window.convert_selection(clipboard, utf8, target, X.CurrentTime)
deadline = time.time() + TIMEOUT
while time.time() < deadline:
    while d.pending_events():
        e = d.next_event()
        if e.type != X.SelectionNotify:
            continue
        if e.property == X.NONE:
            sys.exit(1)
        prop = window.get_full_property(target, X.AnyPropertyType)
        data = prop.value if prop else b""
        if isinstance(data, str):
            data = data.encode()
        sys.stdout.buffer.write(bytes(data))
        sys.exit(0)
    time.sleep(0.02)
sys.exit(1)
