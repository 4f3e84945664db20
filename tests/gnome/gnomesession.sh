#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command in a private headless GNOME Shell session: its own system
# and session buses, its own Xwayland, the extensions installed under PREFIX
# and a test helper enabled. The command finds WAYLAND_DISPLAY, DISPLAY and
# QUILLET_GNOME_SHELL_PID set. Exits 77, which CTest reports as skipped,
# where GNOME Shell is missing or the private /tmp/.X11-unix that Xwayland
# needs cannot be made (that needs root).
#   gnomesession.sh PREFIX COMMAND...
set -u
prefix=$1
shift
for tool in gnome-shell Xwayland dbus-daemon gsettings xclip gjs; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 77; }
done
if [ -z "${QUILLET_IN_NAMESPACE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || { echo "needs root for a private /tmp/.X11-unix" >&2; exit 77; }
    exec env QUILLET_IN_NAMESPACE=1 unshare --mount --propagation private "$0" "$prefix" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
chmod 700 "$work"
mkdir -p "$work/x11-unix" "$work/runtime" "$work/home" "$work/config" "$work/cache" \
    "$work/data/gnome-shell/extensions" "$work/data/applications"
chmod 1777 "$work/x11-unix"
chmod 700 "$work/runtime"
[ -d /tmp/.X11-unix ] || mkdir -m 1777 /tmp/.X11-unix
mount --bind "$work/x11-unix" /tmp/.X11-unix
cleanup() {
    if [ -n "${shell:-}" ] && kill -0 "$shell" 2>/dev/null; then
        gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
            --method org.gnome.Shell.Eval "global.context.terminate()" >/dev/null 2>&1
        for _ in $(seq 100); do kill -0 "$shell" 2>/dev/null || break; sleep 0.05; done
        kill -9 "$shell" 2>/dev/null
    fi
    wait 2>/dev/null
    # Mutter leaves the lock of its X display behind, outside this namespace.
    local shown=${display:-}
    local lock="/tmp/.X${shown#:}-lock"
    if [ -n "$shown" ] && [ -e "$lock" ] && ! kill -0 "$(tr -d ' ' <"$lock")" 2>/dev/null; then
        rm -f "$lock"
    fi
    [ -n "${session_bus:-}" ] && kill "$session_bus" 2>/dev/null
    [ -n "${system_bus:-}" ] && kill "$system_bus" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
    XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data" XDG_SESSION_TYPE=wayland \
    XDG_CURRENT_DESKTOP=GNOME XDG_DATA_DIRS="$prefix/share:/usr/local/share:/usr/share" \
    GSK_RENDERER=cairo NO_AT_BRIDGE=1
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY
# The shell asks logind at start and ends without a system bus; an empty one will do.
DBUS_SYSTEM_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/system_bus"
system_bus=$(dbus-daemon --config-file=/usr/share/dbus-1/session.conf \
    --address="$DBUS_SYSTEM_BUS_ADDRESS" --fork --nopidfile --print-pid=1)
DBUS_SESSION_BUS_ADDRESS=$(dbus-daemon --session --fork --nopidfile --print-address=1 \
    --print-pid=3 3>"$work/session.pid")
session_bus=$(cat "$work/session.pid")
export DBUS_SYSTEM_BUS_ADDRESS DBUS_SESSION_BUS_ADDRESS

cp -r "$here/quillet-test-helper@quillet.io" "$XDG_DATA_HOME/gnome-shell/extensions/"
printf '[Desktop Entry]\nType=Application\nName=Notes Test\nExec=true\n' \
    >"$XDG_DATA_HOME/applications/io.quillet.TestNotes.desktop"
gsettings set org.gnome.shell enabled-extensions \
    "['quillet@quillet.io', 'quillet-test-helper@quillet.io']"
gsettings set org.gnome.shell disable-user-extensions false

gnome-shell --headless --wayland --virtual-monitor 1280x800 >"$work/shell.log" 2>&1 &
shell=$!
until grep -q "GNOME Shell started" "$work/shell.log"; do
    kill -0 "$shell" 2>/dev/null || { cat "$work/shell.log" >&2; exit 1; }
    sleep 0.05
done
display=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$work/shell.log" | head -1)
export WAYLAND_DISPLAY=wayland-0 DISPLAY="$display" QUILLET_GNOME_SHELL_PID="$shell" \
    QUILLET_GNOME_SHELL_LOG="$work/shell.log"
XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
export XAUTHORITY
"$@"
