# A window of class "TMBM" titled "MBM", as the hardware monitor shows when started by hand.
import time

from Xlib import X, display

d = display.Display()
w = d.screen().root.create_window(0, 0, 120, 40, 0, d.screen().root_depth, X.InputOutput)
w.set_wm_class("mbm", "TMBM")
w.set_wm_name("MBM")
w.map()
d.sync()
print("shown", flush=True)
while True:
    time.sleep(1)
