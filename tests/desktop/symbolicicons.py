#!/usr/bin/python3
"""The installed tray icons through GTK's own symbolic loader, as GNOME's and
Xfce's trays draw them, and drawn as they are, as trays that do not tint do.

    symbolicicons.py ICON_DIR              check them; exit 1 on a fault
    symbolicicons.py ICON_DIR --pictures D also write the pictures for the docs

Tinted, the ink must be the motif (every disc a separate dot, coverage as the
discs add up to), not a solid disc; drawn as they are, every dot must reach
3:1 against a black, a white and waybar's blue bar.
"""
import math
import os
import re
import shutil
import statistics
import sys
import tempfile

import gi
gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GdkPixbuf, Gtk  # noqa: E402

NAMES = ("quello-symbolic", "quello-pending-symbolic")
SIZES = (16, 22, 24)
BARS = {"black": (0, 0, 0), "white": (255, 255, 255), "blue": (0x29, 0x80, 0xB9)}
# The tint each loader picks for a bar: a light one on dark and blue bars.
TINT = {"black": "#ffffff", "white": "#2e3436", "blue": "#ffffff"}
EDGE = 1.0  # the rim around every disc, in canvas units


def luminance(rgb):
    def linear(c):
        c /= 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


def discs(svg):
    """(x, y, r) of every disc of the motif, from its last path."""
    d = re.findall(r'd="([^"]+)"', svg)[-1]
    return [(float(x) + float(r), float(y), float(r))
            for x, y, r in re.findall(r"M([\d.]+) ([\d.]+)a([\d.]+)", d)]


def pixels(pixbuf):
    """Rows of (r, g, b, a) with straight alpha."""
    px, stride, n = pixbuf.get_pixels(), pixbuf.get_rowstride(), pixbuf.get_n_channels()
    return [[tuple(px[y * stride + x * n + i] if i < n else 255 for i in range(4))
             for x in range(pixbuf.get_width())] for y in range(pixbuf.get_height())]


def over(pixel, bar):
    a = pixel[3] / 255
    return tuple(round(c * a + b * (1 - a)) for c, b in zip(pixel[:3], bar))


def components(mask):
    seen, count = set(), 0
    for start in mask:
        if start in seen:
            continue
        count += 1
        stack = [start]
        seen.add(start)
        while stack:
            x, y = stack.pop()
            for p in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if p in mask and p not in seen:
                    seen.add(p)
                    stack.append(p)
    return count


def tinted(theme, name, size, bar):
    info = theme.lookup_icon(name, size, Gtk.IconLookupFlags.FORCE_SIZE)
    fg = Gdk.RGBA()
    fg.parse(TINT[bar])
    return info.load_symbolic(fg, None, None, None)[0]


def plain(path, size):
    return GdkPixbuf.Pixbuf.new_from_file_at_size(path, size, size)


def check(theme, path, name):
    svg = open(path).read()
    shapes = discs(svg)
    design = sum(math.pi * r * r for _, _, r in shapes) / 18 ** 2
    faults = []
    for size in SIZES:
        for bar in ("black", "white"):
            rows = pixels(tinted(theme, name, size, bar))
            fg = Gdk.RGBA()
            fg.parse(TINT[bar])
            ink_colour = tuple(round(c * 255) for c in (fg.red, fg.green, fg.blue))
            base = BARS[bar]
            # How far each pixel goes from the bar towards the tint.
            ink = {(x, y): max(0.0, min(1.0, sum(abs(c - b) for c, b in zip(over(p, base), base))
                                        / sum(abs(c - b) for c, b in zip(ink_colour, base))))
                   for y, row in enumerate(rows) for x, p in enumerate(row)}
            coverage = sum(ink.values()) / size ** 2
            dots = components({p for p, v in ink.items() if v >= 0.5})
            print(f"{name} {size}px tinted {TINT[bar]} on {bar}: coverage {coverage:.3f} "
                  f"(discs {design:.3f}), {dots} dots of {len(shapes)}")
            if dots != len(shapes) or abs(coverage - design) > 0.05:
                faults.append(f"{name} {size}px tinted on {bar}")
        rows = pixels(plain(path, size))
        scale = size / 18
        for bar, colour in BARS.items():
            # Each disc with its rim reads where its better half does: the
            # light dot on a dark bar, the dark rim on a light one.
            worst_dot = min(
                statistics.median(sorted(
                    contrast(over(rows[y][x], colour), colour)
                    for y in range(size) for x in range(size)
                    if math.hypot(x + 0.5 - cx * scale, y + 0.5 - cy * scale)
                    <= (r + EDGE) * scale)[-max(2, round(math.pi * (r * scale) ** 2)):])
                for cx, cy, r in shapes)
            print(f"{name} {size}px as drawn on {bar}: weakest dot {worst_dot:.2f}:1")
            if worst_dot < 3:
                faults.append(f"{name} {size}px as drawn on {bar}")
    return faults


def strip(theme, path, name, bar, zoom):
    """The tinted and the plain icon at 16, 22 and 24 px on a bar."""
    cell = 32
    out = GdkPixbuf.Pixbuf.new(GdkPixbuf.Colorspace.RGB, False, 8, cell * 6, cell)
    r, g, b = BARS[bar]
    out.fill((r << 24) | (g << 16) | (b << 8) | 0xFF)
    for i, size in enumerate(SIZES):
        for j, icon in enumerate((tinted(theme, name, size, bar), plain(path, size))):
            x = (2 * i + j) * cell + (cell - size) // 2
            icon.composite(out, x, (cell - size) // 2, size, size, x, (cell - size) // 2,
                           1, 1, GdkPixbuf.InterpType.NEAREST, 255)
    return out.scale_simple(cell * 6 * zoom, cell * zoom, GdkPixbuf.InterpType.NEAREST)


def main():
    icons = sys.argv[1]
    with tempfile.TemporaryDirectory() as root:
        apps = os.path.join(root, "hicolor", "scalable", "apps")
        os.makedirs(apps)
        with open(os.path.join(root, "hicolor", "index.theme"), "w") as index:
            index.write("[Icon Theme]\nName=hicolor\nDirectories=scalable/apps\n"
                        "[scalable/apps]\nSize=16\nMinSize=8\nMaxSize=512\nType=Scalable\n")
        for name in NAMES:
            shutil.copy(os.path.join(icons, name + ".svg"), apps)
        theme = Gtk.IconTheme.new()
        theme.set_search_path([root])
        faults = []
        for name in NAMES:
            faults += check(theme, os.path.join(apps, name + ".svg"), name)
        if "--pictures" in sys.argv:
            docs = sys.argv[sys.argv.index("--pictures") + 1]
            for bar in BARS:
                row = strip(theme, os.path.join(apps, NAMES[1] + ".svg"), NAMES[1], bar, 2)
                row.savev(os.path.join(docs, f"tray-symbolic-{bar}.png"), "png", [], [])
    for fault in faults:
        print("FAIL:", fault)
    return 1 if faults else 0


sys.exit(main())
