// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME Shell 45 and later: the ES module form, beside a bridge.js that the
// build makes from the shared core by exporting QuilletBridge.
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';
import St from 'gi://St';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

import {QuilletBridge} from './bridge.js';

export default class QuilletExtension extends Extension {
    enable() {
        // Under X11 Quillet watches the clipboard and grabs its keys itself.
        if (!Meta.is_wayland_compositor())
            return;
        const shell = {
            Clutter, Gio, GLib, Meta, Shell, St, Main,
            display: global.display,
            modifiers: () => global.get_pointer()[2],
        };
        this._bridge = new QuilletBridge(shell, this.getSettings());
        this._bridge.enable();
    }

    disable() {
        this._bridge?.disable();
        this._bridge = null;
    }
}
