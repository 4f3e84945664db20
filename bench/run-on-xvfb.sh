#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark; the ones that need a display on a private Xvfb (with
# openbox, and the tint2 panel as tray host for the program's own), the
# Wayland ones in a private headless sway.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
session="$here/../tests/x11/xsession.sh"
export QT_QPA_PLATFORM=xcb
"$build/bench/bench_history"
"$session" "$build/bench/bench_capture"
"$session" "$build/bench/bench_capture" --idle-seconds=60
"$session" "$build/bench/bench_paste"
"$session" "$build/bench/bench_window"
with_tray() { "$session" bash -c 'tint2 2>/dev/null & "$@"; status=$?; kill %1; exit $status' _ "$@"; }
with_tray "$build/bench/bench_program"
with_tray "$build/bench/bench_program" --idle-seconds=60
sway="$here/../tests/wayland/swaysession.sh"
"$sway" "$build/bench/bench_waylandcapture"
"$sway" "$build/bench/bench_waylandcapture" --idle-seconds=60
# A keyboard on the seat from the start, or the first key is lost.
"$sway" bash -c 'wtype -s 3600000 & "$@"; status=$?; kill %1; exit $status' _ "$build/bench/bench_paste"
