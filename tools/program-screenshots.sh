#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the running program under Xvfb + openbox + tint2: the tray
# menu open, and the history window open, then the menu in German. Writes
# docs/program-*.png and docs/menu-german.png.
#   tools/program-screenshots.sh [build-dir]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8 TOP=$top BUILD=$build

"$top/tests/x11/xsession.sh" bash -c '
    set -eu
    export XDG_DATA_HOME=$(mktemp -d) XDG_RUNTIME_DIR=$(mktemp -d)
    tint2 2>/dev/null & tray=$!
    "$BUILD/app/quillet" 2>/dev/null & quillet=$!
    icon=$(xdotool search --sync --class "^quillet$" | head -n 1)
    for text in "git status --short" "https://wiki.debian.org/Xvfb" \
                "Remember: the review is on Thursday at 14:30" "sudo apt-get update"; do
        printf "%s" "$text" | xclip -selection clipboard
        stored=$(printf "%s" "$text" | sed "s#/#\\\\/#g") # the file writes / as \/
        until grep -qF "$stored" "$XDG_DATA_HOME/Quillet/history.json" 2>/dev/null; do
            sleep 0.2
        done
    done
    xdotool mousemove --window "$icon" 8 8 click 1
    xdotool search --sync --onlyvisible --class "^quillet$" >/dev/null
    sleep 1
    import -window root "$TOP/docs/program-menu.png"
    xdotool key Escape
    xdotool key ctrl+alt+v
    xdotool search --sync --onlyvisible --name "^Quillet$" >/dev/null
    sleep 1
    import -window root "$TOP/docs/program-window.png"
    kill $quillet
    wait $quillet || true
    LANG=de_DE.UTF-8 "$BUILD/app/quillet" 2>/dev/null & quillet=$!
    icon=$(xdotool search --sync --class "^quillet$" | head -n 1)
    xdotool mousemove --window "$icon" 8 8 click 1
    xdotool search --sync --onlyvisible --class "^quillet$" >/dev/null
    sleep 1
    import -window root -crop 400x220+880+560 "$TOP/docs/menu-german.png"
    kill $quillet $tray'
