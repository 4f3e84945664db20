#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a private X server (Xvfb) with a window manager (openbox),
# then stops both. Exits 77, which CTest reports as skipped, where Xvfb or
# openbox is missing.
set -u
for tool in Xvfb openbox; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 77; }
done

work=$(mktemp -d)
cleanup() {
    [ -n "${bus:-}" ] && kill "$bus" 2>/dev/null
    [ -n "${wm:-}" ] && kill "$wm" 2>/dev/null
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb writes its display number to the pipe once it accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$work/display" \
    2>"$work/xvfb.log" &
xvfb=$!
read -r number <"$work/display" || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$number"
unset WAYLAND_DISPLAY

# A private session bus, as a desktop session has.
if command -v dbus-daemon >/dev/null; then
    DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --session --fork --nopidfile --print-address=1 \
        --print-pid=3 3>"$work/bus.pid")
    export DBUS_SESSION_BUS_ADDRESS
    bus=$(cat "$work/bus.pid")
fi

# openbox runs its start-up command once it manages the screen.
mkfifo "$work/wm-ready"
openbox --sm-disable --startup "sh -c 'echo ready > $work/wm-ready'" 2>"$work/openbox.log" &
wm=$!
read -r _ <"$work/wm-ready"

"$@"
