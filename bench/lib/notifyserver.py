"""A desktop notification server that only takes notes: every Notify call is
written to a file as "UNIX-TIME<TAB>SUMMARY<TAB>BODY", one line each.

    notifyserver.py FILE

Runs on the session bus of the desktop session until it is terminated.
Prints "ready" once it owns org.freedesktop.Notifications.
"""

import signal
import sys
import time

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"


class Server(dbus.service.Object):
    def __init__(self, bus, out):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.out = out
        self.last_id = 0

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        summary, body = (" ".join(str(t).split()) for t in (summary, body))
        self.out.write(f"{time.time():.3f}\t{summary}\t{body}\n")
        self.out.flush()
        self.last_id += 1
        return self.last_id

    @dbus.service.method(NAME, in_signature="u")
    def CloseNotification(self, notification_id):
        pass

    @dbus.service.method(NAME, out_signature="as")
    def GetCapabilities(self):
        return ["body"]

    @dbus.service.method(NAME, out_signature="ssss")
    def GetServerInformation(self):
        return ("bench", "quello", "1", "1.2")


def main():
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    out = open(sys.argv[1], "a", buffering=1)
    server = Server(bus, out)
    name = dbus.service.BusName(NAME, bus, do_not_queue=True)
    loop = GLib.MainLoop()
    signal.signal(signal.SIGTERM, lambda *_: loop.quit())
    print("ready", flush=True)
    loop.run()
    del name, server


if __name__ == "__main__":
    main()
