#!/usr/bin/python3
"""A StatusNotifierItem watcher and host on the session bus, for the tests.

It owns org.kde.StatusNotifierWatcher with a host registered, or with
    --host-after MS   the host registering MS milliseconds after the name
    --no-host         no host until the "host" command
    --unlisted        registered items never listed (a host that never shows them)
and takes commands on standard input, one per line, answering each with one
JSON line on standard output (events come as JSON lines too):
    host / leave      the host registers / goes away
    scheme N          the desktop portal's color-scheme becomes N (SettingChanged)
    props                 the item's properties (IconPixmap as [w, h, base64 of
                          ARGB words in this machine's byte order])
    call METHOD X Y       Activate, SecondaryActivate or ContextMenu
    menu                  the exported menu's items as [id, label]
    click ID              a click on a menu item
Events: {"registered": SERVICE}, {"signal": "NewIcon"} and the like.
"""
import array
import base64
import json
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

WATCHER = "org.kde.StatusNotifierWatcher"
ITEM = "org.kde.StatusNotifierItem"
MENU = "com.canonical.dbusmenu"


# Qt reads the watcher's properties only where introspection lists them.
INTROSPECTION = """<node><interface name="org.kde.StatusNotifierWatcher">
<method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
<signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
<signal name="StatusNotifierHostRegistered"/>
<signal name="StatusNotifierHostUnregistered"/>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
</interface></node>"""


def say(value):
    print(json.dumps(value), flush=True)


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/StatusNotifierWatcher")
        self.bus = bus
        self.item = None  # (bus name, object path)
        self.hosted = False

    def host(self, hosted):
        self.hosted = hosted
        (self.StatusNotifierHostRegistered if hosted else self.StatusNotifierHostUnregistered)()
        return {"hosted": hosted}

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        name, path = (sender, service) if service.startswith("/") else (service, "/StatusNotifierItem")
        self.item = (name, path)
        for signal in ("NewIcon", "NewToolTip", "NewStatus", "NewTitle"):
            self.bus.add_signal_receiver(lambda *a, s=signal: say({"signal": s}), signal,
                                         ITEM, bus_name=name, path=path)
        self.StatusNotifierItemRegistered(name + path)
        say({"registered": name + path})

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostUnregistered(self):
        pass

    @dbus.service.method(dbus.INTROSPECTABLE_IFACE, out_signature="s")
    def Introspect(self):
        return INTROSPECTION

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(dbus.PROPERTIES_IFACE, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        items = ["".join(self.item)] if self.item and "--unlisted" not in sys.argv else []
        return {"RegisteredStatusNotifierItems": dbus.Array(items, signature="s"),
                "IsStatusNotifierHostRegistered": self.hosted, "ProtocolVersion": dbus.Int32(0)}


PORTAL = "org.freedesktop.portal.Settings"


class Portal(dbus.service.Object):
    """The desktop portal's settings, with the colour scheme only."""

    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/portal/desktop")
        self.scheme = 0

    @dbus.service.method(PORTAL, in_signature="ss", out_signature="v")
    def Read(self, group, key):
        if (group, key) != ("org.freedesktop.appearance", "color-scheme"):
            raise dbus.DBusException("no such setting", name=PORTAL + ".Error.NotFound")
        return dbus.UInt32(self.scheme, variant_level=1)

    @dbus.service.signal(PORTAL, signature="ssv")
    def SettingChanged(self, group, key, value):
        pass

    def set(self, scheme):
        self.scheme = scheme
        self.SettingChanged("org.freedesktop.appearance", "color-scheme", dbus.UInt32(scheme))
        return {"scheme": scheme}


def native(argb):
    """ARGB pixels from network byte order into this machine's."""
    pixels = array.array("I", bytes(argb))
    if sys.byteorder == "little":
        pixels.byteswap()
    return pixels.tobytes()


def command(watcher, portal, line):
    words = line.split()
    if not words:
        return {}
    if words[0] == "scheme":
        return portal.set(int(words[1]))
    if words[0] in ("host", "leave"):
        return watcher.host(words[0] == "host")
    if watcher.item is None:
        return {"error": "no item"}
    item = watcher.bus.get_object(*watcher.item)
    if words[0] == "props":
        props = item.GetAll(ITEM, dbus_interface=dbus.PROPERTIES_IFACE)
        return {"IconName": str(props["IconName"]), "Status": str(props["Status"]),
                "Menu": str(props["Menu"]), "ToolTip": str(props["ToolTip"][2]),
                "IconPixmap": [[int(w), int(h), base64.b64encode(native(data)).decode()]
                               for w, h, data in props["IconPixmap"]]}
    if words[0] == "call":
        getattr(item, words[1])(int(words[2]), int(words[3]), dbus_interface=ITEM)
        return {"called": words[1]}
    menu = watcher.bus.get_object(watcher.item[0], item.Get(ITEM, "Menu",
                                  dbus_interface=dbus.PROPERTIES_IFACE))
    if words[0] == "menu":
        _, (_, _, children) = menu.GetLayout(0, -1, ["label"], dbus_interface=MENU)
        return {"menu": [[int(c[0]), str(c[1].get("label", ""))] for c in children]}
    if words[0] == "click":
        menu.Event(int(words[1]), "clicked", dbus.Int32(0), dbus.UInt32(0), dbus_interface=MENU)
        return {"clicked": int(words[1])}
    return {"error": "unknown command"}


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus)
    name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)  # released when dropped
    portal = Portal(bus)
    portal_name = dbus.service.BusName("org.freedesktop.portal.Desktop", bus, do_not_queue=True)
    loop = GLib.MainLoop()
    if "--host-after" in sys.argv:
        delay = int(sys.argv[sys.argv.index("--host-after") + 1])
        GLib.timeout_add(delay, lambda: watcher.host(True) and False)
    elif "--no-host" not in sys.argv:
        watcher.hosted = True

    def on_input(source, _condition):
        line = source.readline()
        if not line:
            loop.quit()
            return False
        try:
            say(command(watcher, portal, line))
        except dbus.DBusException as error:
            say({"error": str(error)})
        return True

    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, on_input)
    say({"ready": True})
    loop.run()
    del name, portal_name


main()
