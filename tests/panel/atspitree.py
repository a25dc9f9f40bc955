#!/usr/bin/python3
"""Reads one application's accessible tree over AT-SPI, as a screen reader does.

    atspitree.py PID                   prints the tree, one node a line:
                                       depth, role|name|description|states|actions
    atspitree.py PID NAME-PREFIX ACTION  runs ACTION on the first node whose
                                       name starts with NAME-PREFIX
"""
import sys

import pyatspi

STATES = {pyatspi.STATE_EXPANDED: "expanded", pyatspi.STATE_COLLAPSED: "collapsed",
          pyatspi.STATE_FOCUSED: "focused"}


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    sys.exit(f"no application with pid {pid} on the accessibility bus")


def walk(node, depth=0):
    yield depth, node
    for child in node:
        if child is not None:
            yield from walk(child, depth + 1)


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def main():
    app = application(int(sys.argv[1]))
    for depth, node in walk(app):
        if len(sys.argv) > 3:
            if node.name.startswith(sys.argv[2]) and sys.argv[3] in actions(node):
                node.queryAction().doAction(actions(node).index(sys.argv[3]))
                return
            continue
        states = [text for state, text in STATES.items() if node.getState().contains(state)]
        print("  " * depth + "|".join([node.getRoleName(), node.name, node.description,
                                       ",".join(states), ",".join(actions(node))]))
    if len(sys.argv) > 3:
        sys.exit(f"no node {sys.argv[2]!r} with the action {sys.argv[3]!r}")


main()
