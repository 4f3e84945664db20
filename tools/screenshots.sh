#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes screenshots of the history window under Xvfb + openbox into docs/.
#   tools/screenshots.sh [build-dir]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
export QT_QPA_PLATFORM=xcb LANG=C.UTF-8
mkdir -p "$top/docs"

shoot() {
    local name=$1; shift
    "$top/tests/x11/xsession.sh" "$build/tools/quillet-window-demo" \
        --screenshot "$top/docs/$name.png" "$@"
}
shoot window-empty --empty --query "anything"
shoot window-light
shoot window-dark --dark
shoot window-search --query "  ALEX "
shoot window-search-dark --query "git" --dark
shoot window-keyboard --select 2
LANG=de_DE.UTF-8 shoot window-german
