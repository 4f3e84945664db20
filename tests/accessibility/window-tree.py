#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The history window and the tray menu as a screen reader meets them:
# through the accessibility tree on the session bus (AT-SPI). Starts the
# window demo with twelve entries, then the program with a tray host and
# opens its menu, and checks the roles and names that Orca would read.
import os
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

demo, program = sys.argv[1], sys.argv[2]
environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
processes = [subprocess.Popen([demo], env=environment)]


def find_application(name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == name:
            return app
    return None


def walk(node, found):
    found.append((node.getRoleName(), node.name))
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, found)
    return found


def tree_once(name, ready):
    deadline = time.monotonic() + 60
    nodes = []
    while time.monotonic() < deadline:
        app = find_application(name)
        if app is not None:
            nodes = walk(app, [])
            if ready(nodes):
                break
        time.sleep(0.2)
    return nodes


def tray_menu_tree():
    """Starts the program with a tray host, clicks its icon and walks the
    menu that a screen reader is told of. A popup menu is no child of the
    application in the tree: it announces itself when it shows."""
    processes.append(subprocess.Popen(["tint2"], stderr=subprocess.DEVNULL))
    data = subprocess.check_output(["mktemp", "-d"], text=True).strip()
    processes.append(subprocess.Popen([program], env=dict(environment, XDG_DATA_HOME=data)))
    icon = subprocess.check_output(["xdotool", "search", "--sync", "--class", "^quillet$"],
                                   text=True).split()[0]
    menus = []

    def shown(event):
        if event.source.getRoleName() == "popup menu" and event.detail1:
            menus.append(walk(event.source, []))
            pyatspi.Registry.stop()

    def click():
        subprocess.check_call(["xdotool", "mousemove", "--window", icon, "4", "4", "click", "1"])
        return False

    pyatspi.Registry.registerEventListener(shown, "object:state-changed:showing")
    GLib.timeout_add(100, click)
    GLib.timeout_add(60000, pyatspi.Registry.stop)
    pyatspi.Registry.start()
    return menus[0] if menus else []


try:
    nodes = tree_once("quillet-window-demo",
                      lambda nodes: any(role == "list item" for role, _ in nodes))
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

    menu = tray_menu_tree()
    menu_expected = [("menu item", "Show History"), ("menu item", "Paste Latest"),
                     ("menu item", "Paste Previous"), ("menu item", "Pause Capture"),
                     ("menu item", "Start at Login"), ("menu item", "Clear History"),
                     ("menu item", "Quit")]
    failed += [e for e in menu_expected if e not in menu]
    expected += menu_expected
    nodes += menu
    for item in failed:
        print("missing from the accessibility tree: %s %r" % item)
    if failed:
        print("\n".join("%s: %r" % node for node in nodes))
    print("%d passed, %d failed" % (len(expected) + 1 - len(failed), len(failed)))
    sys.exit(1 if failed else 0)
finally:
    for process in processes:
        process.kill()
