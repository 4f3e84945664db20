// SPDX-License-Identifier: GPL-3.0-or-later
// For the tests only, never shipped: the tests drive the shell through
// Eval, which needs unsafe mode.
function init() {
    return {
        enable() {
            global.context.unsafe_mode = true;
        },
        disable() {},
    };
}
