#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A stand-in for xdg-desktop-portal on a private session bus, for tests.

It serves the GlobalShortcuts and RemoteDesktop interfaces the way the real
portal answers (a Request object per call, its Response signal after the
reply), refuses calls out of order as the real one does, and writes every
call it accepts as one JSON line to the file named on the command line.
The consent dialog is stood in for by a "dialog" line; it always grants.
Tests press a shortcut with io.quillet.TestPortal.Press(shortcut id).
"""
import json
import sys

from gi.repository import Gio, GLib

PATH = "/org/freedesktop/portal/desktop"
INTERFACES = """
<node>
  <interface name="org.freedesktop.portal.GlobalShortcuts">
    <method name="CreateSession">
      <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/>
    </method>
    <method name="BindShortcuts">
      <arg type="o" direction="in"/><arg type="a(sa{sv})" direction="in"/>
      <arg type="s" direction="in"/><arg type="a{sv}" direction="in"/>
      <arg type="o" direction="out"/>
    </method>
    <signal name="Activated">
      <arg type="o"/><arg type="s"/><arg type="t"/><arg type="a{sv}"/>
    </signal>
  </interface>
  <interface name="org.freedesktop.portal.RemoteDesktop">
    <method name="CreateSession">
      <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/>
    </method>
    <method name="SelectDevices">
      <arg type="o" direction="in"/><arg type="a{sv}" direction="in"/>
      <arg type="o" direction="out"/>
    </method>
    <method name="Start">
      <arg type="o" direction="in"/><arg type="s" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="o" direction="out"/>
    </method>
    <method name="NotifyKeyboardKeycode">
      <arg type="o" direction="in"/><arg type="a{sv}" direction="in"/>
      <arg type="i" direction="in"/><arg type="u" direction="in"/>
    </method>
  </interface>
  <interface name="org.freedesktop.host.portal.Registry">
    <method name="Register">
      <arg type="s" direction="in"/><arg type="a{sv}" direction="in"/>
    </method>
  </interface>
  <interface name="io.quillet.TestPortal">
    <method name="Press"><arg type="s" direction="in"/></method>
  </interface>
</node>
"""
GRANT = "granted-1"


class Portal:
    def __init__(self, log_path):
        self.log = open(log_path, "a", buffering=1)
        self.sessions = {}  # path -> {"kind", "owner", "state"}
        self.bound = {}  # session path -> shortcut ids
        self.connection = None

    def record(self, **entry):
        self.log.write(json.dumps(entry, sort_keys=True) + "\n")

    def request_path(self, sender, options):
        token = options.get("handle_token")
        if not token:
            raise ValueError("no handle_token")
        return f"{PATH}/request/{sender[1:].replace('.', '_')}/{token}"

    def respond(self, path, response, results):
        def emit():
            self.connection.emit_signal(None, path, "org.freedesktop.portal.Request",
                                        "Response",
                                        GLib.Variant("(ua{sv})", (response, results)))
            return False
        GLib.idle_add(emit)

    def session_of(self, sender, path, kind, state=None):
        session = self.sessions.get(path)
        if not session or session["owner"] != sender or session["kind"] != kind:
            raise ValueError(f"no {kind} session {path}")
        if state and session["state"] != state:
            raise ValueError(f"session {path} is {session['state']}, not {state}")
        return session

    def create_session(self, sender, kind, options):
        request = self.request_path(sender, options)
        token = options.get("session_handle_token")
        if not token:
            raise ValueError("no session_handle_token")
        session = f"{PATH}/session/{sender[1:].replace('.', '_')}/{token}"
        self.sessions[session] = {"kind": kind, "owner": sender, "state": "created"}
        self.record(call=kind + ".CreateSession")
        self.respond(request, 0, {"session_handle": GLib.Variant("s", session)})
        return request

    def call(self, sender, interface, method, args):
        kind = interface.rsplit(".", 1)[-1]
        if method == "CreateSession":
            return self.create_session(sender, kind, args[0])
        if method == "BindShortcuts":
            session, shortcuts, _parent, options = args
            self.session_of(sender, session, "GlobalShortcuts")
            request = self.request_path(sender, options)
            for shortcut_id, properties in shortcuts:
                if "description" not in properties:
                    raise ValueError(f"shortcut {shortcut_id} has no description")
            self.bound[session] = [s[0] for s in shortcuts]
            self.record(call="BindShortcuts",
                        shortcuts={s[0]: s[1].get("preferred_trigger") for s in shortcuts})
            # The user keeps the keys offered, but for one they change.
            bound = [(s[0], {"description": GLib.Variant("s", s[1]["description"]),
                             "trigger_description": GLib.Variant(
                                 "s", "Super+2" if s[0] == "paste-previous" else
                                 s[1].get("preferred_trigger", ""))})
                     for s in shortcuts]
            self.respond(request, 0, {"shortcuts": GLib.Variant("a(sa{sv})", bound)})
            return request
        if method == "SelectDevices":
            session, options = args
            state = self.session_of(sender, session, "RemoteDesktop", "created")
            request = self.request_path(sender, options)
            if options.get("types", 0) & 1 == 0:
                raise ValueError("no keyboard asked for")
            state["state"] = "selected"
            state["restored"] = options.get("restore_token") == GRANT
            self.record(call="SelectDevices", persist_mode=options.get("persist_mode", 0),
                        restore_token=options.get("restore_token", ""))
            self.respond(request, 0, {})
            return request
        if method == "Start":
            session, _parent, options = args
            state = self.session_of(sender, session, "RemoteDesktop", "selected")
            request = self.request_path(sender, options)
            if not state["restored"]:
                self.record(call="dialog")
            state["state"] = "started"
            self.record(call="Start")
            self.respond(request, 0, {"devices": GLib.Variant("u", 1),
                                      "restore_token": GLib.Variant("s", GRANT)})
            return request
        if method == "NotifyKeyboardKeycode":
            session, _options, keycode, key_state = args
            self.session_of(sender, session, "RemoteDesktop", "started")
            self.record(call="NotifyKeyboardKeycode", keycode=keycode, state=key_state)
            return None
        if method == "Register":
            self.record(call="Register", app_id=args[0])
            return None
        if method == "Press":
            for session, ids in self.bound.items():
                if args[0] in ids:
                    self.connection.emit_signal(
                        None, PATH, "org.freedesktop.portal.GlobalShortcuts", "Activated",
                        GLib.Variant("(osta{sv})", (session, args[0], 0, {})))
            return None
        raise ValueError(f"no method {method}")

    def handle(self, connection, sender, _path, interface, method, parameters, invocation):
        try:
            result = self.call(sender, interface, method, parameters.unpack())
        except ValueError as error:
            self.record(call="refused", method=method, why=str(error))
            invocation.return_dbus_error("org.freedesktop.portal.Error.InvalidArgument",
                                         str(error))
            return
        invocation.return_value(GLib.Variant("(o)", (result,)) if result else None)


def main():
    portal = Portal(sys.argv[1])
    loop = GLib.MainLoop()
    nodes = Gio.DBusNodeInfo.new_for_xml(INTERFACES)

    def acquired(connection, _name):
        portal.connection = connection

    def bus_ready(connection, _name):
        for interface in nodes.interfaces:
            connection.register_object(PATH, interface, portal.handle, None, None)

    Gio.bus_own_name(Gio.BusType.SESSION, "org.freedesktop.portal.Desktop",
                     Gio.BusNameOwnerFlags.NONE, bus_ready, acquired,
                     lambda *_: loop.quit())
    loop.run()


if __name__ == "__main__":
    main()
