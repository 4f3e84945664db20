#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The history window as a screen reader meets it: through the accessibility
# tree on the session bus (AT-SPI). Starts the window demo with twelve
# entries and checks the roles and names that Orca would read.
import subprocess
import sys
import time

import pyatspi

demo = sys.argv[1]
process = subprocess.Popen([demo], env=dict(__import__("os").environ,
                                            QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))


def find_application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "quillet-window-demo":
            return app
    return None


def walk(node, found):
    found.append((node.getRoleName(), node.name))
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, found)
    return found


try:
    nodes = []
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        app = find_application()
        if app is not None:
            nodes = walk(app, [])
            if any(role == "list item" for role, _ in nodes):
                break
        time.sleep(0.2)
    expected = [
        ("text", "Search history"),
        ("list", "Clipboard History"),
        ("push button", "Copy"),
        ("push button", "Delete"),
        ("check box", "Pause"),
        ("label", "12 saved"),
    ]
    failed = [e for e in expected if e not in nodes]
    rows = [name for role, name in nodes if role == "list item"]
    # A row reads its text, its source and how long ago.
    if not any(name.startswith("git rebase --interactive origin/main, Terminal, ")
               and name.endswith(" ago") for name in rows):
        failed.append(("list item", "text, source and time"))
    for item in failed:
        print("missing from the accessibility tree: %s %r" % item)
    if failed:
        print("\n".join("%s: %r" % node for node in nodes))
    print("%d passed, %d failed" % (len(expected) + 1 - len(failed), len(failed)))
    sys.exit(1 if failed else 0)
finally:
    process.kill()
