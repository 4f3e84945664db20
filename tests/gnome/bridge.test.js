// SPDX-License-Identifier: GPL-3.0-or-later
// The extension's core under plain gjs, against stand-ins for the shell:
// what it reports of a copy, whom it obeys, how it names the application in
// front and which keys it types. Run: gjs -m bridge.test.js BRIDGE_MODULE
import GLib from 'gi://GLib';
import System from 'system';

const {QuilletBridge} = await import(`file://${System.programArgs[0]}`);
let failures = 0;
function check(condition, what) {
    print(`${condition ? 'ok' : 'FAILED'}: ${what}`);
    if (!condition)
        failures++;
}

class SelectionSourceMemory {
    get_mimetypes() { return ['text/plain;charset=utf-8']; }
}
class ClientSource {
    constructor(offers) { this.offers = offers; }
    get_mimetypes() { return Object.keys(this.offers); }
}
const CLIPBOARD = 2;
const selection = {
    owner: null,
    transfer_async(_type, format, _size, stream, _cancellable, done) {
        stream.bytes = new TextEncoder().encode(this.owner.offers[format]);
        done(this, null);
    },
    transfer_finish() {},
};
const emitted = [];
const connection = {
    emit_signal: (destination, _path, _interface, name, parameters) =>
        emitted.push({destination, name, values: parameters.deepUnpack()}),
};
const typed = [];
let modifiers = 0;
let focused = null;
const shell = {
    GLib,
    Gio: {
        MemoryOutputStream: {
            new_resizable: () => ({close() {}, steal_as_bytes() { return {toArray: () => this.bytes}; }}),
        },
        Cancellable: class { cancel() {} },
    },
    Meta: {SelectionType: {SELECTION_CLIPBOARD: CLIPBOARD}, SelectionSourceMemory},
    Clutter: {
        KEY_Control_L: 1, KEY_Shift_L: 2, KEY_v: 3, KEY_Insert: 4,
        ModifierType: {CONTROL_MASK: 4, MOD1_MASK: 8},
        KeyState: {PRESSED: 1, RELEASED: 0},
        InputDeviceType: {KEYBOARD_DEVICE: 1},
        get_default_backend: () => ({
            get_default_seat: () => ({
                create_virtual_device: () => ({
                    notify_keyval: (_time, key, state) => typed.push(`${state ? '+' : '-'}${key}`),
                }),
            }),
        }),
    },
    Shell: {
        WindowTracker: {
            get_default: () => ({get_window_app: window => window.app}),
        },
    },
    display: {get focus_window() { return focused; }},
    modifiers: () => modifiers,
};
const bridge = new QuilletBridge(shell, null, connection);
bridge._selection = selection;
bridge._program = ':1.42';

function copy(offers) {
    emitted.length = 0;
    selection.owner = offers ? new ClientSource(offers) : null;
    bridge._ownerChanged(CLIPBOARD, selection.owner);
    return emitted;
}
const window = (appId, gtkId, wmClass) => ({
    app: appId ? {get_id: () => appId} : null,
    get_gtk_application_id: () => gtkId,
    get_wm_class: () => wmClass,
});

// What a copy reports, and to whom.
focused = window('org.gnome.TextEditor.desktop', null, 'gnome-text-editor');
let [sent] = copy({'text/plain;charset=utf-8': 'hello', 'TEXT': 'no'});
check(sent.destination === ':1.42' && sent.name === 'ClipboardChanged', 'sent to Quillet alone');
check(new TextDecoder().decode(sent.values[3]) === 'hello' &&
      sent.values[2] === 'text/plain;charset=utf-8', 'the best text format is read');
check(sent.values[4] === 'org.gnome.TextEditor', 'the source is the desktop-file id');
[sent] = copy({'x-kde-passwordManagerHint': 'secret', 'text/plain': 'hunter2'});
check(sent.values[1] === true && sent.values[3].length === 0, 'a secret is sent without its text');
[sent] = copy({'x-kde-passwordManagerHint': 'public', 'text/plain': 'shown'});
check(new TextDecoder().decode(sent.values[3]) === 'shown', 'another hint is no secret');
emitted.length = 0;
bridge._ownerChanged(CLIPBOARD, new SelectionSourceMemory());
check(emitted.length === 0, "mutter's own copy, kept when the owner quits, is no new copy");
bridge._program = null;
check(copy({'text/plain': 'unheard'}).length === 0, 'nothing is sent while Quillet does not run');
bridge._program = ':1.42';

// The source where no desktop file matched.
focused = window('window:3', 'org.example.Notes', 'notes');
check(copy({'text/plain': 'a'})[0].values[4] === 'org.example.Notes', 'else the GTK id');
focused = window(null, null, 'xterm');
check(copy({'text/plain': 'b'})[0].values[4] === 'xterm', 'else the window class');

// Only the owner of Quillet's name is obeyed.
const invocation = sender => ({
    error: null, returned: false,
    get_sender: () => sender,
    return_dbus_error(name) { this.error = name; },
    return_value() { this.returned = true; },
});
const intruder = invocation(':1.99');
bridge.PostPasteAsync(['ctrl-v'], intruder);
check(intruder.error === 'org.freedesktop.DBus.Error.AccessDenied' && typed.length === 0,
    'another caller is refused');
const unknown = invocation(':1.42');
bridge.PostPasteAsync(['ctrl-alt-delete'], unknown);
check(unknown.error === 'org.freedesktop.DBus.Error.InvalidArgs', 'an unknown shortcut is refused');

// The keys wait until the user lets go of Ctrl and Alt.
modifiers = 4 | 8;
const paste = invocation(':1.42');
bridge.PostPasteAsync(['ctrl-shift-v'], paste);
check(paste.returned && typed.length === 0, 'no key while Ctrl and Alt are held');
const loop = GLib.MainLoop.new(null, false);
GLib.timeout_add(GLib.PRIORITY_DEFAULT, 50, () => {
    modifiers = 0;
    return GLib.SOURCE_REMOVE;
});
GLib.timeout_add(GLib.PRIORITY_DEFAULT, 20, () => {
    if (typed.length === 0)
        return GLib.SOURCE_CONTINUE;
    loop.quit();
    return GLib.SOURCE_REMOVE;
});
loop.run();
check(typed.join(' ') === '+1 +2 +3 -3 -2 -1', 'then Ctrl+Shift+V, let go in reverse');

System.exit(failures ? 1 : 0);
