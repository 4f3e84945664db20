// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME Shell 45 and later: the ES module form, beside a bridge.js that the
// build makes from the shared core by exporting its classes.
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';
import St from 'gi://St';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

import {QuilletExtension} from './bridge.js';

export default class extends Extension {
    enable() {
        this._core ??= new QuilletExtension({Clutter, Gio, GLib, Meta, Shell, St, Main},
            () => this.getSettings());
        this._core.enable();
    }

    disable() {
        this._core.disable();
    }
}
