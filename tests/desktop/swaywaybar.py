#!/usr/bin/python3
"""Quello under sway and waybar, both real and headless, the bar started 2, 5
and 8 seconds after Quello (the race at login):

    swaywaybar.py QUELLO_BINARY SESSION_BUS_CONF

Each time, waybar's watcher must end up listing Quello's item with its host
registered, and the panel, shown as the window before the bar comes and then
from the item, must float at its own size rather than be tiled. sway refuses
to run as root: run as root, the test runs everything as nobody. Exits 77
where sway or waybar is not installed.
"""
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77
DELAYS = (2, 5, 8)
WATCHER = "org.kde.StatusNotifierWatcher"


def wait_for(check, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = check()
        if value:
            return value
        time.sleep(0.1)
    return check()


def panel(env):
    """Where the panel is in sway's tree: (floating, width, height) or None."""
    out = subprocess.run(["swaymsg", "-t", "get_tree"], env=env, capture_output=True, text=True)
    if out.returncode != 0:
        return None
    found = []

    def walk(node, floating):
        if node.get("app_id") == "quello" and node.get("visible"):
            found.append((floating, node["window_rect"]["width"], node["window_rect"]["height"]))
        for child in node.get("nodes", []):
            walk(child, floating)
        for child in node.get("floating_nodes", []):
            walk(child, True)
    walk(json.loads(out.stdout), False)
    return found[0] if found else None


def items(bus, pid):
    """Quello's items in the list of waybar's watcher, if it has a host."""
    import dbus
    try:
        watcher = bus.get_object(WATCHER, "/StatusNotifierWatcher")
        props = watcher.GetAll(WATCHER, dbus_interface=dbus.PROPERTIES_IFACE)
        daemon = bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
        found = []
        for item in props["RegisteredStatusNotifierItems"]:
            name, _, path = str(item).partition("/")
            if daemon.GetConnectionUnixProcessID(name, dbus_interface="org.freedesktop.DBus") == pid:
                found.append((name, "/" + path))
        return found if props["IsStatusNotifierHostRegistered"] else []
    except dbus.DBusException:
        return []


def run(root, quello, busconf, delay):
    import dbus
    env = {"PATH": "/usr/bin:/bin", "HOME": root, "XDG_RUNTIME_DIR": root,
           "XDG_CONFIG_HOME": os.path.join(root, "config"), "XDG_CURRENT_DESKTOP": "sway",
           "WLR_BACKENDS": "headless", "WLR_LIBINPUT_NO_DEVICES": "1", "WLR_RENDERER": "pixman",
           "LANG": "C.UTF-8"}
    os.makedirs(os.path.join(root, "config", "waybar"), exist_ok=True)
    with open(os.path.join(root, "config", "waybar", "config"), "w") as config:
        json.dump({"layer": "top", "height": 30, "modules-right": ["tray"]}, config)
    with open(os.path.join(root, "sway.conf"), "w") as config:
        config.write("output HEADLESS-1 resolution 1280x800\n")
    children = []
    log = open(os.path.join(root, "log"), "a")

    def start(*argv):
        children.append(subprocess.Popen(argv, env=env, stdout=log, stderr=log))
        return children[-1]
    try:
        daemon = subprocess.Popen(["dbus-daemon", "--config-file=" + busconf, "--nofork",
                                   "--print-address=1"],
                                  env=env, stdout=subprocess.PIPE, text=True)
        children.append(daemon)
        env["DBUS_SESSION_BUS_ADDRESS"] = daemon.stdout.readline().strip()
        start("sway", "-c", os.path.join(root, "sway.conf"))
        if not wait_for(lambda: [f for f in os.listdir(root) if f.startswith("sway-ipc.")], 10):
            return "sway did not start"
        env["SWAYSOCK"] = os.path.join(root, next(f for f in os.listdir(root)
                                                  if f.startswith("sway-ipc.")))
        env["WAYLAND_DISPLAY"] = "wayland-1"
        quello_process = start(quello)
        time.sleep(delay)
        if delay > 4:  # past the grace: the window is there, floating at its size
            shown = wait_for(lambda: panel(env), 3)
            if not shown or not shown[0] or shown[1] != 380:
                return f"window before the bar: {shown}"
        start("waybar")
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = env["DBUS_SESSION_BUS_ADDRESS"]
        bus = dbus.bus.BusConnection(env["DBUS_SESSION_BUS_ADDRESS"])
        item = wait_for(lambda: items(bus, quello_process.pid), 10)
        if not item:
            return "item not hosted"
        if not wait_for(lambda: panel(env) is None, 3):
            return "window stayed after the bar came"
        bus.get_object(*item[0]).Activate(0, 0, dbus_interface="org.kde.StatusNotifierItem")
        shown = wait_for(lambda: panel(env), 5)
        if not shown or not shown[0] or shown[1] != 380:
            return f"panel from the item: {shown}"
        return None
    finally:
        for child in reversed(children):
            child.terminate()
            try:
                child.wait(5)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()


def main():
    if not (shutil.which("sway") and shutil.which("waybar") and shutil.which("dbus-daemon")):
        print("needs sway, waybar and dbus-daemon")
        return SKIP
    quello = sys.argv[1]
    if os.geteuid() == 0:
        # The build may lie where nobody cannot read it: nobody gets copies.
        root = tempfile.mkdtemp()
        copies = [shutil.copy(path, root) for path in (quello, sys.argv[2], __file__)]
        for path in [root] + copies:
            os.chown(path, 65534, 65534)
        result = subprocess.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                 sys.executable, copies[2], copies[0], copies[1], root])
        shutil.rmtree(root, ignore_errors=True)
        return result.returncode
    base = sys.argv[3] if len(sys.argv) > 3 else tempfile.mkdtemp()
    failed = False
    for delay in DELAYS:
        root = tempfile.mkdtemp(dir=base)
        os.chmod(root, 0o700)
        fault = run(root, quello, sys.argv[2], delay)
        print(f"bar {delay} s after Quello: {fault or 'hosted, panel floating at its size'}")
        if fault:
            print(open(os.path.join(root, "log")).read()[-3000:])
        failed = failed or fault is not None
    return 1 if failed else 0


sys.exit(main())
