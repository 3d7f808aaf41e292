#!/usr/bin/env python3
"""Meets a program as a screen reader's review mode does: from the desktop to the application,
then down its accessibility tree, never following the focus, to the control of the given name.
Activates that control through its first action, as a reader's "activate" does, and waits until
the control reads as checked. Prints the way it went; exits with a message when a step has not
come true within the time limit.

    screen_reader_walk.py <application name> <control name>
"""

import sys
import time

import pyatspi

TIME_LIMIT = 30  # seconds for each step, enough for a slow machine


def wait_for(what, find):
    deadline = time.monotonic() + TIME_LIMIT
    while True:
        found = find()
        if found is not None:
            return found
        if time.monotonic() > deadline:
            sys.exit(f"not within {TIME_LIMIT} s: {what}")
        time.sleep(0.05)


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            return app
    return None


def descendant(node, name, path):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        # A reader reviewing the tree goes back up the way it came down.
        if child.getIndexInParent() != i:
            sys.exit(f"{child.name!r} says it is child {child.getIndexInParent()} of {node.name!r}, not {i}")
        step = path + [f"{child.getRoleName()} {child.name!r}"]
        if child.name == name:
            return child, step
        found = descendant(child, name, step)
        if found:
            return found
    return None


def checked(control):
    control.clearCache()
    return True if control.getState().contains(pyatspi.STATE_CHECKED) else None


def main():
    app_name, control_name = sys.argv[1:3]
    app = wait_for(f"the application {app_name!r}", lambda: application(app_name))
    control, path = wait_for(f"{control_name!r} in {app_name!r}",
                             lambda: descendant(app, control_name, [f"application {app_name!r}"]))
    print(" > ".join(path))
    action = control.queryAction()
    print("actions:", [action.getName(i) for i in range(action.nActions)])
    print("states:", sorted(pyatspi.stateToString(s) for s in control.getState().getStates()))
    if not action.doAction(0):
        sys.exit(f"{control_name!r} refused its first action")
    wait_for(f"{control_name!r} checked", lambda: checked(control))
    print(f"{control_name!r} is checked")


if __name__ == "__main__":
    main()
