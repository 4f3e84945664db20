#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside a private headless sway session (with a session bus),
# then stops both. Exits 77, which CTest reports as skipped, where sway is
# missing. sway refuses to run as root, so it runs as "nobody" when we are
# root; its clients may be root.
set -u
command -v sway >/dev/null || { echo "sway is not installed" >&2; exit 77; }

work=$(mktemp -d)
chmod 755 "$work"
runtime="$work/runtime"
mkdir -m 700 "$runtime"
cleanup() {
    [ -n "${compositor:-}" ] && kill "$compositor" 2>/dev/null
    [ -n "${bus:-}" ] && kill "$bus" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

as_compositor=()
if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$runtime"
    as_compositor=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
printf 'output HEADLESS-1 resolution 1280x720\n' >"$work/sway.conf"
chmod 644 "$work/sway.conf"
env -i PATH=/usr/bin:/bin HOME="$runtime" XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    "${as_compositor[@]}" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
compositor=$!
for _ in $(seq 600); do
    [ -S "$runtime/wayland-1" ] && break
    kill -0 "$compositor" 2>/dev/null || { cat "$work/sway.log" >&2; exit 1; }
    sleep 0.05
done
[ -S "$runtime/wayland-1" ] || { cat "$work/sway.log" >&2; exit 1; }

export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=wayland-1 QT_QPA_PLATFORM=wayland
unset DISPLAY
if command -v dbus-daemon >/dev/null; then
    DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --session --fork --nopidfile --print-address=1 \
        --print-pid=3 3>"$work/bus.pid")
    export DBUS_SESSION_BUS_ADDRESS
    bus=$(cat "$work/bus.pid")
fi
"$@"
