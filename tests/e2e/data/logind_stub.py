# Stands in for logind on a private system bus: owns its name and sends PrepareForSleep with
# each "true" or "false" line read from stdin.
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

DBusGMainLoop(set_as_default=True)
bus = dbus.SystemBus()
name = dbus.service.BusName("org.freedesktop.login1", bus)


class Manager(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.login1.Manager", signature="b")
    def PrepareForSleep(self, start):
        pass


manager = Manager(bus, "/org/freedesktop/login1")
loop = GLib.MainLoop()


def command(source, condition):
    line = sys.stdin.readline()
    if not line:
        loop.quit()
        return False
    manager.PrepareForSleep(line.strip() == "true")
    print("sent", line.strip(), flush=True)
    return True


GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, command)
print("ready", flush=True)
loop.run()
