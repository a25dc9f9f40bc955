"""Time from starting a program to its tray icon being embedded by the tray host.

The icon counts as registered once a window carrying the program's _NET_WM_PID
hangs below another client's window instead of the root: the tray host
reparents an icon when it takes it in (XEmbed). Polls the window tree every
`interval` seconds straight through Xlib, so the probe itself stays cheap.
"""

import ctypes
import ctypes.util
import os
import subprocess
import time

_x11 = None
_error_handler = None


def _lib():
    global _x11, _error_handler
    if _x11 is not None:
        return _x11
    x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XQueryTree.restype = ctypes.c_int
    x11.XQueryTree.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
        ctypes.POINTER(ctypes.c_uint)]
    x11.XFree.argtypes = [ctypes.c_void_p]
    x11.XGetWindowProperty.restype = ctypes.c_int
    x11.XGetWindowProperty.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long, ctypes.c_long,
        ctypes.c_int, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
    # A window may vanish between listing it and reading it: ignore the error
    # instead of letting Xlib's default handler end the process.
    handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
    _error_handler = handler_type(lambda display, event: 0)
    x11.XSetErrorHandler.argtypes = [handler_type]
    x11.XSetErrorHandler(_error_handler)
    _x11 = x11
    return x11


class Display:
    def __init__(self):
        self.x11 = _lib()
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            raise RuntimeError("cannot open the X display")
        self.root = self.x11.XDefaultRootWindow(self.display)
        self.pid_atom = self.x11.XInternAtom(self.display, b"_NET_WM_PID", 0)

    def close(self):
        self.x11.XCloseDisplay(self.display)

    def _children(self, window):
        root = ctypes.c_ulong()
        parent = ctypes.c_ulong()
        children = ctypes.POINTER(ctypes.c_ulong)()
        count = ctypes.c_uint()
        if not self.x11.XQueryTree(self.display, window, ctypes.byref(root),
                                   ctypes.byref(parent), ctypes.byref(children),
                                   ctypes.byref(count)):
            return []
        result = [children[i] for i in range(count.value)]
        if children:
            self.x11.XFree(children)
        return result

    def _pid(self, window):
        actual_type = ctypes.c_ulong()
        actual_format = ctypes.c_int()
        items = ctypes.c_ulong()
        after = ctypes.c_ulong()
        data = ctypes.c_void_p()
        status = self.x11.XGetWindowProperty(
            self.display, window, self.pid_atom, 0, 1, 0, 6,  # XA_CARDINAL
            ctypes.byref(actual_type), ctypes.byref(actual_format), ctypes.byref(items),
            ctypes.byref(after), ctypes.byref(data))
        if status != 0 or not data.value:
            return None
        value = None
        if items.value >= 1 and actual_format.value == 32:
            value = ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[0]
        self.x11.XFree(data)
        return value

    def embedded(self, pid):
        """True when a window of `pid` sits inside another client's window."""
        stack = [(child, True) for child in self._children(self.root)]
        while stack:
            window, top_level = stack.pop()
            if not top_level and self._pid(window) == pid:
                return True
            stack.extend((child, False) for child in self._children(window))
        return False


def time_to_tray(argv, env=None, timeout=30.0, interval=0.002):
    """Starts argv, returns (seconds until its icon is embedded or None, Popen)."""
    display = Display()
    try:
        start = time.monotonic()
        process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while time.monotonic() - start < timeout:
            if display.embedded(process.pid):
                return time.monotonic() - start, process
            if process.poll() is not None:
                return None, process
            time.sleep(interval)
        return None, process
    finally:
        display.close()


if __name__ == "__main__":
    import sys
    seconds, proc = time_to_tray(sys.argv[1:])
    print("tray_ms", "none" if seconds is None else f"{seconds * 1000:.1f}")
    proc.terminate()
    proc.wait()
    sys.exit(0 if seconds is not None else 1)
