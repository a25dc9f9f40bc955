#!/usr/bin/python3
"""Drives one application's windows over AT-SPI, as assistive software does.

    atspipanel.py PID showing              exits 0 when a window of PID shows
                                           the "New watch" field
"""
import sys

import pyatspi


def nodes(node):
    yield node
    for child in node:
        if child is not None:
            yield from nodes(child)


def find(pid, name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            for node in nodes(app):
                if node.name == name:
                    return node
    sys.exit(f"no node {name!r} in pid {pid}")


def main():
    pid, verb = int(sys.argv[1]), sys.argv[2]
    if verb == "showing":
        field = find(pid, "New watch")
        sys.exit(0 if field.getState().contains(pyatspi.STATE_SHOWING) else 1)


main()
