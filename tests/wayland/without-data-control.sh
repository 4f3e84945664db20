#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed program under a Wayland compositor that offers no data
# control (headless weston): it says what does not work, keeps running, and
# ends cleanly. Exits 77, which CTest reports as skipped, where weston is
# missing.
set -u
program=$1
command -v weston >/dev/null || { echo "weston is not installed" >&2; exit 77; }
work=$(mktemp -d)
chmod 700 "$work"
cleanup() {
    [ -n "${quillet:-}" ] && kill "$quillet" 2>/dev/null
    [ -n "${compositor:-}" ] && kill "$compositor" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$work" XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=wayland
unset DISPLAY DBUS_SESSION_BUS_ADDRESS
weston --backend=headless-backend.so --socket=wayland-weston --idle-time=0 \
    >"$work/weston.log" 2>&1 &
compositor=$!
until [ -S "$work/wayland-weston" ]; do
    kill -0 "$compositor" 2>/dev/null || { cat "$work/weston.log" >&2; exit 1; }
    sleep 0.05
done
export WAYLAND_DISPLAY=wayland-weston

"$program" 2>"$work/quillet.log" &
quillet=$!
until grep -q "offers no clipboard data control" "$work/quillet.log"; do
    kill -0 "$quillet" 2>/dev/null || { cat "$work/quillet.log" >&2; echo "ended early" >&2; exit 1; }
    sleep 0.05
done
# Its tray menu and actions still come up: it is running.
kill -0 "$quillet" || exit 1
kill -TERM "$quillet"
wait "$quillet"
status=$?
quillet=
cat "$work/quillet.log"
[ "$status" -eq 0 ] || { echo "exit status $status" >&2; exit 1; }
echo "1 passed, 0 failed"
