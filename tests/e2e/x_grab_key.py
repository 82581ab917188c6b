#!/usr/bin/python3
# Another X client that owns a key combination: grabs it on the root window in its four lock
# variants, says so, and holds it until killed. Usage: x_grab_key.py KEYSYM MODS...
import sys
import time

from Xlib import X, XK, display

masks = {"ctrl": X.ControlMask, "alt": X.Mod1Mask, "shift": X.ShiftMask}
d = display.Display()
root = d.screen().root
code = d.keysym_to_keycode(XK.string_to_keysym(sys.argv[1]))
mods = 0
for name in sys.argv[2:]:
    mods |= masks[name]
for lock in (0, X.LockMask, X.Mod2Mask, X.LockMask | X.Mod2Mask):
    root.grab_key(code, mods | lock, True, X.GrabModeAsync, X.GrabModeAsync)
d.sync()
print("grabbed", flush=True)
while True:
    time.sleep(60)
