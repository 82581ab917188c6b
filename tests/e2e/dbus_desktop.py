# A desktop's D-Bus services of our own, for the end-to-end checks, on the session bus that
# DBUS_SESSION_BUS_ADDRESS names. Every call they take is one JSON line in LOG.
#   dbus_desktop.py serve LOG [--notifications] [--markup] [--watcher]
#       a notification daemon (org.freedesktop.Notifications), with the body-markup
#       capability when --markup, and a StatusNotifierItem watcher with a host registered
#   dbus_desktop.py menu LOG
#       the labels of the menu that the item registered in LOG exports (dbusmenu), after
#       telling it that the menu is about to show, one per line
import json
import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

mode, log_path = sys.argv[1], sys.argv[2]
options = set(sys.argv[3:])
dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()


def note(**event):
    with open(log_path, "a") as log:
        log.write(json.dumps(event) + "\n")


class Notifications(dbus.service.Object):
    IFACE = "org.freedesktop.Notifications"

    def __init__(self):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.last = 0

    @dbus.service.method(IFACE, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.last += 1
        note(call="Notify", app=str(app), replaces=int(replaces), icon=str(icon),
             summary=str(summary), body=str(body), timeout=int(timeout),
             hints={str(k): (str(v) if isinstance(v, dbus.String) else int(v))
                    for k, v in hints.items()})
        return dbus.UInt32(replaces or self.last)

    @dbus.service.method(IFACE, out_signature="as")
    def GetCapabilities(self):
        return ["body", "body-markup"] if "--markup" in options else ["body"]

    @dbus.service.method(IFACE, out_signature="ssss")
    def GetServerInformation(self):
        return ["test-daemon", "keltrix tests", "1", "1.2"]

    @dbus.service.method(IFACE, in_signature="u")
    def CloseNotification(self, notification):
        pass


class Watcher(dbus.service.Object):
    IFACE = "org.kde.StatusNotifierWatcher"

    def __init__(self):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.items = []

    @dbus.service.method(IFACE, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        self.items.append(str(service))
        note(call="RegisterStatusNotifierItem", service=str(service), sender=str(sender))
        self.StatusNotifierItemRegistered(service)

    @dbus.service.method(IFACE, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(IFACE, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.signal(IFACE)
    def StatusNotifierHostRegistered(self):
        pass

    # Qt reads the properties through introspection, which dbus-python does not describe.
    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return """<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
    <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect"><arg type="s" direction="out"/></method>
  </interface>
</node>"""

    def props(self):
        return {"IsStatusNotifierHostRegistered": dbus.Boolean(True),
                "RegisteredStatusNotifierItems": dbus.Array(self.items, signature="s"),
                "ProtocolVersion": dbus.Int32(0)}

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.props()[str(name)]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.props()


def labels(layout, out):
    _, props, children = layout
    if "label" in props:
        out.append(str(props["label"]))
    for child in children:
        labels(child, out)
    return out


if mode == "serve":
    keep = []
    if "--notifications" in options:
        keep.append(dbus.service.BusName("org.freedesktop.Notifications", bus))
        keep.append(Notifications())
    if "--watcher" in options:
        keep.append(dbus.service.BusName("org.kde.StatusNotifierWatcher", bus))
        keep.append(Watcher())
    note(call="ready")
    GLib.MainLoop().run()
elif mode == "menu":
    items = [json.loads(line) for line in open(log_path)]
    item = [e for e in items if e["call"] == "RegisterStatusNotifierItem"][-1]
    service = item["service"] if item["service"].startswith(("org.", ":")) else item["sender"]
    sni = bus.get_object(service, "/StatusNotifierItem")
    path = sni.Get("org.kde.StatusNotifierItem", "Menu", dbus_interface=dbus.PROPERTIES_IFACE)
    menu = dbus.Interface(bus.get_object(service, path), "com.canonical.dbusmenu")
    menu.AboutToShow(0)
    _, layout = menu.GetLayout(0, -1, [])
    print("\n".join(labels(layout, [])))
