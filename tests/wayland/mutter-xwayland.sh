#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed program on GNOME's compositor (headless mutter), which offers
# no data control: it says that capture relies on XWayland, and records a
# copy made by an X11 program there. Exits 77, which CTest reports as
# skipped, where mutter or Xwayland is missing.
set -u
program=$1
for tool in mutter Xwayland dbus-daemon xclip; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 77; }
done
work=$(mktemp -d)
chmod 700 "$work"
cleanup() {
    [ -n "${quillet:-}" ] && kill "$quillet" 2>/dev/null
    [ -n "${compositor:-}" ] && kill "$compositor" 2>/dev/null
    [ -n "${bus:-}" ] && kill "$bus" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$work" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
unset DISPLAY WAYLAND_DISPLAY
DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --session --fork --nopidfile --print-address=1 \
    --print-pid=3 3>"$work/bus.pid")
export DBUS_SESSION_BUS_ADDRESS
bus=$(cat "$work/bus.pid")

mutter --headless --wayland --wayland-display=wayland-mutter >"$work/mutter.log" 2>&1 &
compositor=$!
# mutter names the X display it starts for XWayland in its log.
until grep -q "Using public X11 display" "$work/mutter.log"; do
    kill -0 "$compositor" 2>/dev/null || { cat "$work/mutter.log" >&2; exit 1; }
    sleep 0.05
done
display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$work/mutter.log" | head -1)
export WAYLAND_DISPLAY=wayland-mutter DISPLAY="$display" QT_QPA_PLATFORM=wayland
XAUTHORITY=$(ls "$work"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
export XAUTHORITY

"$program" 2>"$work/quillet.log" &
quillet=$!
until grep -q "capture relies on XWayland" "$work/quillet.log"; do
    kill -0 "$quillet" 2>/dev/null || { cat "$work/quillet.log" >&2; exit 1; }
    sleep 0.05
done
printf 'copied in an X11 program' | xclip -selection clipboard
until grep -q '"text" : "copied in an X11 program"' "$work/data/Quillet/history.json" 2>/dev/null; do
    kill -0 "$quillet" 2>/dev/null || { cat "$work/quillet.log" >&2; exit 1; }
    sleep 0.05
done
kill -TERM "$quillet"
wait "$quillet" || { echo "ended with status $?" >&2; exit 1; }
quillet=
echo "1 passed, 0 failed"
