#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A GTK 4 window with a text entry for the GNOME scenario. It prints the
# entry's text as a line of JSON after each change; with --copy TEXT it puts
# TEXT on the clipboard at the first key press (a copy needs the user's input).
import json
import sys

import gi

gi.require_version("Gtk", "4.0")
gi.require_version("Gdk", "4.0")
from gi.repository import Gdk, Gtk  # noqa: E402

copy = sys.argv[sys.argv.index("--copy") + 1] if "--copy" in sys.argv else None


def activate(application):
    window = Gtk.ApplicationWindow(application=application, title="GTK Field")
    entry = Gtk.Entry()
    entry.connect("changed", lambda e: print(json.dumps([e.get_text()]), flush=True))
    window.set_child(entry)
    if copy is not None:
        keys = Gtk.EventControllerKey()
        keys.set_propagation_phase(Gtk.PropagationPhase.CAPTURE)  # before the entry

        def pressed(*_):
            Gdk.Display.get_default().get_clipboard().set(copy)
            print(json.dumps(["copied"]), flush=True)
            return True

        keys.connect("key-pressed", pressed)
        window.add_controller(keys)
    window.present()


app = Gtk.Application(application_id="io.quillet.TestNotes")
app.connect("activate", activate)
app.run([])
