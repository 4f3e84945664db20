#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed program with its installed GNOME Shell extension, end to end
# in a headless GNOME Shell (run inside gnomesession.sh), driven as a user
# would: keys typed through mutter's remote-desktop interface, copies in a
# GTK 4 window, an X11 program and a Qt window, pastes into a GTK 4 entry and
# a Qt field. Prints the figures it measures.
#   scenario.py QUILLET TEXT_FIELD
import json
import os
import select
import subprocess
import sys
import time

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

QUILLET, TEXT_FIELD = sys.argv[1], sys.argv[2]
HERE = os.path.dirname(os.path.abspath(__file__))
HISTORY = os.path.join(os.environ["XDG_DATA_HOME"], "Quillet", "history.json")
bus = Gio.bus_get_sync(Gio.BusType.SESSION)
failures = []


def check(condition, what):
    print(("ok: " if condition else "FAILED: ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def wait_until(predicate, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.02)
    return predicate()


def call(name, path, interface, method, signature=None, args=None):
    parameters = GLib.Variant(signature, args) if signature else None
    return bus.call_sync(name, path, interface, method, parameters, None,
                         Gio.DBusCallFlags.NONE, 10000, None)


def has_owner(name):
    return call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "NameHasOwner", "(s)", (name,)).unpack()[0]


def shell_eval(code):
    ok, result = call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval",
                      "(s)", (code,)).unpack()
    return json.loads(result) if ok and result else None


def focused_title():
    return shell_eval("global.display.focus_window ? global.display.focus_window.get_title() : ''")


def quillet_window_shown():
    return shell_eval("global.get_window_actors().some(a => a.meta_window.get_title() === "
                      "'Quillet' && a.visible)") is True


def history():
    try:
        with open(HISTORY, encoding="utf-8") as file:
            return json.load(file)
    except (OSError, ValueError):
        return []


def texts():
    return [entry["text"] for entry in history()]


class Keyboard:
    """Keys as a user types them, through mutter's remote desktop."""
    KEYSYMS = {"ctrl": 0xFFE3, "alt": 0xFFE9, "shift": 0xFFE1, "v": 0x76, "1": 0x31, "2": 0x32,
               "x": 0x78}

    def __init__(self):
        self.path = call("org.gnome.Mutter.RemoteDesktop", "/org/gnome/Mutter/RemoteDesktop",
                         "org.gnome.Mutter.RemoteDesktop", "CreateSession").unpack()[0]
        self._session("Start")
        # The seat has a keyboard only from the first key on.
        self.press("shift")

    def _session(self, method, signature=None, args=None):
        call("org.gnome.Mutter.RemoteDesktop", self.path,
             "org.gnome.Mutter.RemoteDesktop.Session", method, signature, args)

    def press(self, combination):
        keys = [self.KEYSYMS[key] for key in combination.split("+")]
        for key in keys:
            self._session("NotifyKeyboardKeysym", "(ub)", (key, True))
        for key in reversed(keys):
            self._session("NotifyKeyboardKeysym", "(ub)", (key, False))


class Window:
    """A window of ours that prints its text as a line of JSON on each change."""

    def __init__(self, command, title, environment=None):
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, text=True,
                                        env=dict(os.environ, **(environment or {})))
        self.title = title

    # New windows of a headless shell need not get the focus: it is given,
    # as a click on the window would.
    def focused(self):
        activate = ("global.get_window_actors().map(a => a.meta_window)"
                    f".filter(w => w.get_title() === '{self.title}')"
                    ".forEach(w => w.activate(global.get_current_time()))")
        return wait_until(lambda: focused_title() == self.title or
                          (shell_eval(activate) is not None and False))

    def next_text(self, seconds=30):
        ready, _, _ = select.select([self.process.stdout], [], [], seconds)
        line = self.process.stdout.readline() if ready else ""
        return json.loads(line)[0] if line else None

    def close(self):
        self.process.kill()
        self.process.wait()


def gtk_window(*arguments):
    return Window([sys.executable, os.path.join(HERE, "gtkfield.py"), *arguments], "GTK Field")


def qt_field(*arguments):
    return Window([TEXT_FIELD, *arguments], "Paste Target", {"QT_QPA_PLATFORM": "wayland"})


def xclip_copy(text):
    subprocess.run(["xclip", "-selection", "clipboard"], input=text.encode(), check=True)


# Mutter starts Xwayland for the first X11 client, and puts its own copy of
# the clipboard in place some time after a window quits: a copy made meanwhile
# may go unseen, and another one follows.
def x11_copy_recorded(text):
    return wait_until(lambda: xclip_copy(text) or
                      wait_until(lambda: texts()[:1] == [text], 3))


def resident_mb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


log_path = os.path.join(os.environ["XDG_RUNTIME_DIR"], "quillet.log")
log_file = open(log_path, "w")
quillet = subprocess.Popen([QUILLET], stderr=log_file,
                           env=dict(os.environ, QT_QPA_PLATFORM="wayland"))


def log():
    with open(log_path, encoding="utf-8") as file:
        return file.read()


keyboard = Keyboard()
check(wait_until(lambda: has_owner("io.quillet.Quillet") and has_owner("io.quillet.ShellBridge")),
      "Quillet and the extension's bridge are on the bus")
# A headless shell starts in the overview, where new windows get no focus.
check(wait_until(lambda: shell_eval("imports.ui.main.overview.hide(); "
                                    "imports.ui.main.overview.visible") is False),
      "the shell leaves the overview")

# A copy in a GTK 4 window, with its application's name as the source.
notes = gtk_window("--copy", "copied in GTK")
check(notes.focused(), "the GTK window has the focus")
pressed = time.monotonic()
keyboard.press("x")
check(notes.next_text(10) == "copied", "the GTK window copied")
check(wait_until(lambda: texts()[:1] == ["copied in GTK"]), "a GTK copy is recorded")
print(f"figure: GTK copy to the history file: {(time.monotonic() - pressed) * 1000:.0f} ms "
      "(with the save)", flush=True)
check(history()[0].get("sourceApp") == "Notes Test", "with its application's name as source")
notes.close()

check(x11_copy_recorded("copied in X11"), "an X11 copy is recorded")

# A password manager's copy, and mutter's own copy of it once its window quits.
secret = qt_field("--copy", "hunter2", "--secret")
check(secret.focused(), "the Qt window has the focus")
keyboard.press("x")
check(wait_until(lambda: "marked as secret" in log()), "the secret copy is seen as secret")
secret.close()
check(x11_copy_recorded("after the secret"), "the next copy is recorded")
check("hunter2" not in texts(), "the secret is never recorded, not after its window quits")

# The shortcuts: the window, then pastes into a GTK entry and a Qt field.
keyboard.press("ctrl+alt+v")
check(wait_until(quillet_window_shown), "Ctrl+Alt+V shows the history window")
check(wait_until(lambda: focused_title() == "Quillet"), "with the focus")
# A press that reaches the window before it knows it is active only raises it.
check(wait_until(lambda: keyboard.press("ctrl+alt+v") or
                 wait_until(lambda: not quillet_window_shown(), 2)), "Ctrl+Alt+V hides it")

entry = gtk_window()
check(entry.focused(), "the GTK entry has the focus")
pressed = time.monotonic()
keyboard.press("ctrl+alt+1")
check(entry.next_text() == "after the secret", "Ctrl+Alt+1 pastes the latest into GTK")
print(f"figure: Ctrl+Alt+1 to the text in a GTK entry: {(time.monotonic() - pressed) * 1000:.0f} "
      "ms", flush=True)
keyboard.press("ctrl+alt+2")
check(entry.next_text() == "after the secretcopied in X11", "Ctrl+Alt+2 pastes the previous")
entry.close()
field = qt_field()
check(field.focused(), "the Qt field has the focus")
keyboard.press("ctrl+alt+1")
check(field.next_text() == "after the secret", "Ctrl+Alt+1 pastes into a Qt field")
field.close()

# Only Quillet may set the clipboard or type.
try:
    call("io.quillet.ShellBridge", "/io/quillet/ShellBridge", "io.quillet.ShellBridge1",
         "SetClipboard", "(s)", ("from an intruder",))
    refused = False
except GLib.Error as error:
    refused = "AccessDenied" in error.message
check(refused, "another caller is refused")

# Without the extension, the old path records an X11 copy and the log says why.
shell_pid = int(os.environ["QUILLET_GNOME_SHELL_PID"])
with_extension = resident_mb(shell_pid)
call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions", "DisableExtension",
     "(s)", ("quillet@quillet.io",))
check(wait_until(lambda: not has_owner("io.quillet.ShellBridge")), "the bridge goes away")
check(wait_until(lambda: "extension went away" in log()), "Quillet says it falls back")
check(x11_copy_recorded("copied without the extension"),
      "an X11 copy is recorded without the extension")
shell_eval("imports.system.gc()")
print(f"figure: gnome-shell resident memory: {with_extension:.1f} MB with the extension, "
      f"{resident_mb(shell_pid):.1f} MB after disabling it", flush=True)

quillet.terminate()
quillet.wait(30)
if failures:
    print(log(), file=sys.stderr)
sys.exit(1 if failures else 0)
