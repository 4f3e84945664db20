// SPDX-License-Identifier: GPL-3.0-or-later
// The bridge between GNOME Shell and Quillet, shared by both entry points.
// It runs inside the compositor, so it stays small and lets no fault escape:
// it reports clipboard changes and the application in front to the running
// Quillet, binds Quillet's three shortcuts, and sets the clipboard and types
// the paste keys when Quillet, and only Quillet, asks.
//
// `shell` carries what the shell offers (Clutter, Gio, GLib, Meta, Shell,
// St, Main, display, modifiers()), so that the core can run under plain gjs
// with stand-ins. QuilletExtension is what both entry points hand the shell.

var PROGRAM_NAME = 'io.quillet.Quillet';
var PROGRAM_PATH = '/io/quillet/Quillet';
var BRIDGE_NAME = 'io.quillet.ShellBridge';
var BRIDGE_PATH = '/io/quillet/ShellBridge';
var BRIDGE_INTERFACE = 'io.quillet.ShellBridge1';
var ACTIONS = ['toggle-history', 'paste-latest', 'paste-previous'];

const BRIDGE_XML = `<node>
  <interface name="${BRIDGE_INTERFACE}">
    <method name="SetClipboard"><arg name="text" type="s" direction="in"/></method>
    <method name="PostPaste"><arg name="shortcut" type="s" direction="in"/></method>
    <signal name="ClipboardChanged">
      <arg name="formats" type="as"/><arg name="secret" type="b"/>
      <arg name="textFormat" type="s"/><arg name="text" type="ay"/><arg name="source" type="s"/>
    </signal>
    <signal name="FocusChanged"><arg name="source" type="s"/></signal>
  </interface>
</node>`;

// The text formats asked for, best first; more than this is never read.
const TEXT_FORMATS = ['text/plain;charset=utf-8', 'UTF8_STRING', 'text/plain', 'TEXT', 'STRING'];
const PASSWORD_HINT = 'x-kde-passwordManagerHint';
const MAX_TEXT_BYTES = 4 * 1024 * 1024;
const MAX_HINT_BYTES = 64;
// How long a paste waits for the user to let go of Ctrl and Alt.
const RELEASE_POLL_MS = 10;
const RELEASE_WAIT_MS = 2000;
// How long after the shortcut the history window is given the focus.
const FOCUS_WINDOW_US = 2 * 1000 * 1000;

var QuilletBridge = class QuilletBridge {
    constructor(shell, settings, connection) {
        this._shell = shell;
        this._settings = settings;
        this._bus = connection || shell.Gio.DBus.session;
        this._program = null;
        this._reading = null;
        this._keyboard = null;
        this._timeouts = new Set();
        this._focusUntil = 0;
    }

    enable() {
        const {Gio, Meta, Shell} = this._shell;
        this._programWatch = Gio.bus_watch_name_on_connection(this._bus, PROGRAM_NAME,
            Gio.BusNameWatcherFlags.NONE,
            (_connection, _name, owner) => {
                this._program = owner;
                this._sendFocus();
            },
            () => {
                this._program = null;
            });
        this._exported = Gio.DBusExportedObject.wrapJSObject(BRIDGE_XML, this);
        this._exported.export(this._bus, BRIDGE_PATH);
        this._nameId = Gio.bus_own_name_on_connection(this._bus, BRIDGE_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
        this._selection = this._shell.display.get_selection();
        this._ownerChangedId = this._selection.connect('owner-changed',
            (_selection, type, source) => this._guard(() => this._ownerChanged(type, source)));
        this._focusId = this._shell.display.connect('notify::focus-window',
            () => this._guard(() => this._sendFocus()));
        this._windowCreatedId = this._shell.display.connect('window-created',
            (_display, window) => this._guard(() => this._focusIfAsked(window)));
        for (const action of ACTIONS) {
            this._shell.Main.wm.addKeybinding(action, this._settings, Meta.KeyBindingFlags.NONE,
                Shell.ActionMode.ALL, () => this._guard(() => this._activate(action)));
        }
    }

    disable() {
        const {Gio, GLib} = this._shell;
        for (const action of ACTIONS)
            this._shell.Main.wm.removeKeybinding(action);
        this._selection.disconnect(this._ownerChangedId);
        this._shell.display.disconnect(this._focusId);
        this._shell.display.disconnect(this._windowCreatedId);
        this._reading?.cancel();
        for (const id of this._timeouts)
            GLib.source_remove(id);
        this._timeouts.clear();
        Gio.bus_unown_name(this._nameId);
        this._exported.unexport();
        Gio.bus_unwatch_name(this._programWatch);
        this._keyboard = null;
        this._program = null;
    }

    // Methods of the bus interface, for Quillet alone.
    SetClipboardAsync([text], invocation) {
        if (!this._fromProgram(invocation))
            return;
        const {St} = this._shell;
        St.Clipboard.get_default().set_text(St.ClipboardType.CLIPBOARD, text);
        invocation.return_value(null);
    }

    PostPasteAsync([shortcut], invocation) {
        if (!this._fromProgram(invocation))
            return;
        const {Clutter} = this._shell;
        const keys = {
            'ctrl-v': [Clutter.KEY_Control_L, Clutter.KEY_v],
            'ctrl-shift-v': [Clutter.KEY_Control_L, Clutter.KEY_Shift_L, Clutter.KEY_v],
            'shift-insert': [Clutter.KEY_Shift_L, Clutter.KEY_Insert],
        }[shortcut];
        if (!keys) {
            invocation.return_dbus_error('org.freedesktop.DBus.Error.InvalidArgs',
                `no such paste shortcut: ${shortcut}`);
            return;
        }
        invocation.return_value(null);
        this._whenModifiersReleased(() => this._type(keys));
    }

    _fromProgram(invocation) {
        if (this._program && invocation.get_sender() === this._program)
            return true;
        invocation.return_dbus_error('org.freedesktop.DBus.Error.AccessDenied',
            `only the owner of ${PROGRAM_NAME} may call this`);
        return false;
    }

    // A fault in a handler is logged, never passed on to the shell.
    _guard(handler) {
        try {
            handler();
        } catch (error) {
            logError(error, 'Quillet');
        }
    }

    _ownerChanged(type, source) {
        const {Gio, Meta} = this._shell;
        if (type !== Meta.SelectionType.SELECTION_CLIPBOARD)
            return;
        this._reading?.cancel();
        this._reading = null;
        // Mutter's own copy, kept when the owner quits, holds only the text and
        // no longer the password hint; our own writes are such copies too.
        if (source instanceof Meta.SelectionSourceMemory)
            return;
        const app = this._focusedApp();
        if (!source) {
            this._sendChange([], false, '', new Uint8Array(), app);
            return;
        }
        const formats = source.get_mimetypes();
        const reading = new Gio.Cancellable();
        this._reading = reading;
        const textFormat = TEXT_FORMATS.find(format => formats.includes(format)) || '';
        const readText = () => {
            if (!textFormat) {
                this._sendChange(formats, false, '', new Uint8Array(), app);
                return;
            }
            this._read(textFormat, MAX_TEXT_BYTES, reading,
                text => this._sendChange(formats, false, textFormat, text, app));
        };
        if (!formats.includes(PASSWORD_HINT)) {
            readText();
            return;
        }
        this._read(PASSWORD_HINT, MAX_HINT_BYTES, reading, hint => {
            if (new TextDecoder().decode(hint).trim() === 'secret')
                this._sendChange(formats, true, '', new Uint8Array(), app);
            else
                readText();
        });
    }

    _read(format, limit, cancellable, then) {
        const {Gio, Meta} = this._shell;
        const stream = Gio.MemoryOutputStream.new_resizable();
        this._selection.transfer_async(Meta.SelectionType.SELECTION_CLIPBOARD, format, limit,
            stream, cancellable, (selection, result) => this._guard(() => {
                try {
                    selection.transfer_finish(result);
                } catch (error) {
                    return; // cancelled by a newer change, or the owner failed
                }
                stream.close(null);
                then(stream.steal_as_bytes().toArray());
            }));
    }

    _sendChange(formats, secret, textFormat, text, app) {
        this._reading = null;
        this._emit('ClipboardChanged', new this._shell.GLib.Variant('(asbsays)',
            [formats, secret, textFormat, text, app]));
    }

    _sendFocus() {
        this._emit('FocusChanged', new this._shell.GLib.Variant('(s)', [this._focusedApp()]));
    }

    // Sent to Quillet alone, and only while it runs: nothing is started.
    _emit(signal, parameters) {
        if (this._program)
            this._bus.emit_signal(this._program, BRIDGE_PATH, BRIDGE_INTERFACE, signal, parameters);
    }

    // The desktop-file id of the application in front, else its GTK
    // application id, else its window class.
    _focusedApp() {
        const window = this._shell.display.focus_window;
        if (!window)
            return '';
        const app = this._shell.Shell.WindowTracker.get_default().get_window_app(window);
        const id = app ? app.get_id() : '';
        if (id && !id.startsWith('window:'))
            return id.replace(/\.desktop$/, '');
        return window.get_gtk_application_id() || window.get_wm_class() || '';
    }

    _activate(action) {
        const {Gio, GLib} = this._shell;
        if (action === 'toggle-history')
            this._focusUntil = GLib.get_monotonic_time() + FOCUS_WINDOW_US;
        this._bus.call(PROGRAM_NAME, PROGRAM_PATH, 'org.freedesktop.Application', 'ActivateAction',
            new GLib.Variant('(sava{sv})', [action, [], {}]), null,
            Gio.DBusCallFlags.NO_AUTO_START, -1, null, null);
    }

    // The window that a shortcut opens gets the focus, as if the user had
    // clicked it: a window shown at the request of a bus call gets none.
    _focusIfAsked(window) {
        if (this._shell.GLib.get_monotonic_time() > this._focusUntil ||
            window.get_wm_class() !== PROGRAM_NAME)
            return;
        this._focusUntil = 0;
        this._shell.Main.activateWindow(window);
    }

    _whenModifiersReleased(then) {
        const {Clutter, GLib} = this._shell;
        const held = Clutter.ModifierType.CONTROL_MASK | Clutter.ModifierType.MOD1_MASK;
        let waited = 0;
        const check = () => {
            if ((this._shell.modifiers() & held) === 0 || waited >= RELEASE_WAIT_MS) {
                then();
                return false;
            }
            waited += RELEASE_POLL_MS;
            return true;
        };
        if (!check())
            return;
        const id = GLib.timeout_add(GLib.PRIORITY_DEFAULT, RELEASE_POLL_MS, () => {
            const again = this._guardedCheck(check);
            if (!again)
                this._timeouts.delete(id);
            return again;
        });
        this._timeouts.add(id);
    }

    _guardedCheck(check) {
        try {
            return check();
        } catch (error) {
            logError(error, 'Quillet');
            return false;
        }
    }

    // Presses the keys in order and lets them go in reverse, on a keyboard
    // of the extension's own.
    _type(keys) {
        const {Clutter, GLib} = this._shell;
        if (!this._keyboard) {
            this._keyboard = Clutter.get_default_backend().get_default_seat()
                .create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        }
        const now = GLib.get_monotonic_time();
        for (const key of keys)
            this._keyboard.notify_keyval(now, key, Clutter.KeyState.PRESSED);
        for (const key of [...keys].reverse())
            this._keyboard.notify_keyval(now, key, Clutter.KeyState.RELEASED);
    }
};

// The extension's life in the shell, from the shell's modules, whichever
// form the entry point takes them in.
var QuilletExtension = class QuilletExtension {
    constructor(modules, settings) {
        this._modules = modules;
        this._settings = settings;
        this._bridge = null;
    }

    enable() {
        // Under X11 Quillet watches the clipboard and grabs its keys itself.
        if (!this._modules.Meta.is_wayland_compositor())
            return;
        const shell = {
            ...this._modules,
            display: global.display,
            modifiers: () => global.get_pointer()[2],
        };
        this._bridge = new QuilletBridge(shell, this._settings());
        this._bridge.enable();
    }

    disable() {
        this._bridge?.disable();
        this._bridge = null;
    }
};
