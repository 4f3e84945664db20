#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed program on GNOME's compositor (headless mutter), which offers
# no data control: it says that capture relies on XWayland, and records a
# copy made by an X11 program there. Its shortcuts and paste go through the
# desktop portal (a stand-in of ours on the private bus): the shortcuts are
# bound, the first paste asks for the right to type, the next one types, and
# after a restart the grant is restored without asking. Exits 77, which
# CTest reports as skipped, where mutter or Xwayland is missing.
set -u
program=$1
for tool in mutter Xwayland dbus-daemon xclip gdbus; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 77; }
done
work=$(mktemp -d)
chmod 700 "$work"
cleanup() {
    [ -n "${quillet:-}" ] && kill "$quillet" 2>/dev/null
    [ -n "${portal:-}" ] && kill "$portal" 2>/dev/null
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

/usr/bin/python3 "$(dirname "$0")/../portal/standin-portal.py" "$work/portal.log" &
portal=$!
gdbus wait --session --timeout 30 org.freedesktop.portal.Desktop

# Waits for a line in a file while the program runs.
await() {
    until grep -q "$2" "$1" 2>/dev/null; do
        kill -0 "$quillet" 2>/dev/null || { cat "$work/quillet.log" "$work/portal.log" >&2; exit 1; }
        sleep 0.05
    done
}
await_count() {
    until [ "$(grep -c "$1" "$work/portal.log")" -ge "$2" ]; do
        kill -0 "$quillet" 2>/dev/null || { cat "$work/quillet.log" "$work/portal.log" >&2; exit 1; }
        sleep 0.05
    done
}
fail() { echo "$1" >&2; cat "$work/portal.log" >&2; exit 1; }
start_quillet() {
    "$program" 2>>"$work/quillet.log" &
    quillet=$!
}
press() {
    gdbus call --session --dest org.freedesktop.portal.Desktop \
        --object-path /org/freedesktop/portal/desktop --method io.quillet.TestPortal.Press "$1" >/dev/null
}
# The keys typed, as "keycode/state" words.
typed() { sed -n 's/.*"keycode": \([0-9]*\), "state": \([0-9]\).*/\1\/\2/p' "$work/portal.log" | xargs; }

# A link planted where the grant is kept is neither read nor written through.
mkdir -p -m 700 "$work/data/Quillet"
printf 'victim-secret' >"$work/victim"
ln -s "$work/victim" "$work/data/Quillet/remote-desktop-token"

start_quillet
await "$work/quillet.log" "capture relies on XWayland"
printf 'copied in an X11 program' | xclip -selection clipboard
await "$work/data/Quillet/history.json" '"text" : "copied in an X11 program"'

await "$work/portal.log" '"call": "BindShortcuts"'
grep -q '"paste-latest": "CTRL+ALT+1"' "$work/portal.log" || fail "Ctrl+Alt+1 not offered"
! grep -q '"call": "refused"' "$work/portal.log" || fail "the portal refused a call"
press paste-latest
await "$work/portal.log" '"call": "Start"'
[ "$(grep -c '"call": "dialog"' "$work/portal.log")" = 1 ] || fail "no consent asked"
[ -z "$(typed)" ] || fail "typed before the grant"
press paste-latest
await "$work/portal.log" '"keycode": 29, "state": 0'
[ "$(typed)" = "29/1 47/1 47/0 29/0" ] || fail "typed $(typed)"
[ "$(stat -c %a "$work/data/Quillet/remote-desktop-token")" = 600 ] || fail "token not private"
[ ! -L "$work/data/Quillet/remote-desktop-token" ] || fail "the token is still a link"
[ "$(cat "$work/victim")" = victim-secret ] || fail "the token link was written through"
! grep -q victim-secret "$work/portal.log" || fail "a linked file was sent as the token"

kill -TERM "$quillet"
wait "$quillet" || { echo "ended with status $?" >&2; exit 1; }
start_quillet
await "$work/portal.log" '"restore_token": "granted-1"'
await_count '"call": "Start"' 2
await_count '"call": "BindShortcuts"' 2
press paste-latest
until [ "$(typed | wc -w)" = 8 ]; do kill -0 "$quillet" || fail "ended"; sleep 0.05; done
[ "$(grep -c '"call": "dialog"' "$work/portal.log")" = 1 ] || fail "asked again after a restart"
! grep -q '"call": "refused"' "$work/portal.log" || fail "the portal refused a call"
kill -TERM "$quillet"
wait "$quillet" || { echo "ended with status $?" >&2; exit 1; }
quillet=
echo "1 passed, 0 failed"
