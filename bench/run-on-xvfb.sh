#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every benchmark; the ones that need a display on a private Xvfb.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
"$build/bench/bench_history"
export QT_QPA_PLATFORM=xcb
"$here/../tests/x11/xsession.sh" "$build/bench/bench_capture"
"$here/../tests/x11/xsession.sh" "$build/bench/bench_capture" --idle-seconds=60
"$here/../tests/x11/xsession.sh" "$build/bench/bench_paste"
"$here/../tests/x11/xsession.sh" "$build/bench/bench_window"
