// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME Shell 43 and 44: the legacy module form.
const {Clutter, Gio, GLib, Meta, Shell, St} = imports.gi;
const Main = imports.ui.main;
const ExtensionUtils = imports.misc.extensionUtils;
const {QuilletBridge} = ExtensionUtils.getCurrentExtension().imports.bridge;

class QuilletExtension {
    enable() {
        // Under X11 Quillet watches the clipboard and grabs its keys itself.
        if (!Meta.is_wayland_compositor())
            return;
        const shell = {
            Clutter, Gio, GLib, Meta, Shell, St, Main,
            display: global.display,
            modifiers: () => global.get_pointer()[2],
        };
        this._bridge = new QuilletBridge(shell, ExtensionUtils.getSettings());
        this._bridge.enable();
    }

    disable() {
        this._bridge?.disable();
        this._bridge = null;
    }
}

function init() {
    return new QuilletExtension();
}
