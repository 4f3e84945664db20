// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME Shell 43 and 44: the legacy module form.
const {Clutter, Gio, GLib, Meta, Shell, St} = imports.gi;
const Main = imports.ui.main;
const ExtensionUtils = imports.misc.extensionUtils;
const {QuilletExtension} = ExtensionUtils.getCurrentExtension().imports.bridge;

function init() {
    return new QuilletExtension({Clutter, Gio, GLib, Meta, Shell, St, Main},
        () => ExtensionUtils.getSettings());
}
