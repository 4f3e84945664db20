#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a private headless KWin session with its own session
# bus, then stops both. Exits 77, which CTest reports as skipped, where KWin
# is missing.
set -u
command -v kwin_wayland >/dev/null || { echo "kwin_wayland is not installed" >&2; exit 77; }
command -v dbus-daemon >/dev/null || { echo "dbus-daemon is not installed" >&2; exit 77; }

work=$(mktemp -d)
runtime="$work/runtime"
mkdir -m 700 "$runtime" "$work/config"
cleanup() {
    [ -n "${compositor:-}" ] && kill "$compositor" 2>/dev/null
    [ -n "${bus:-}" ] && kill "$bus" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR="$runtime" XDG_CONFIG_HOME="$work/config"
DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --session --fork --nopidfile --print-address=1 \
    --print-pid=3 3>"$work/bus.pid")
export DBUS_SESSION_BUS_ADDRESS
bus=$(cat "$work/bus.pid")

# The packaged binary carries a file capability that a container cannot
# grant; a copy has none, and must keep the name kwin_wayland.
cp "$(command -v kwin_wayland)" "$work/kwin_wayland"
unset DISPLAY WAYLAND_DISPLAY
KWIN_COMPOSE=Q "$work/kwin_wayland" --virtual --socket=wayland-kwin --no-lockscreen \
    --width 1280 --height 720 >"$work/kwin.log" 2>&1 &
compositor=$!
for _ in $(seq 600); do
    [ -S "$runtime/wayland-kwin" ] && break
    kill -0 "$compositor" 2>/dev/null || { cat "$work/kwin.log" >&2; exit 1; }
    sleep 0.05
done
[ -S "$runtime/wayland-kwin" ] || { cat "$work/kwin.log" >&2; exit 1; }
# KWin's scripting answers on the bus once it has started.
for _ in $(seq 600); do
    dbus-send --session --print-reply --dest=org.kde.KWin /Scripting \
        org.freedesktop.DBus.Peer.Ping >/dev/null 2>&1 && break
    sleep 0.05
done

export WAYLAND_DISPLAY=wayland-kwin QT_QPA_PLATFORM=wayland
"$@"
