#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The GNOME Shell extension without a shell: its core's logic under gjs, and
# the ES-module entry of GNOME 45 and later, which must parse (its imports
# exist only inside a shell). Exits 77, skipped, where gjs is missing.
#   check-extension.sh ESM_FOLDER
set -u
esm=$1
command -v gjs >/dev/null || { echo "gjs is not installed" >&2; exit 77; }
here=$(cd "$(dirname "$0")" && pwd)
status=0
gjs -m "$here/bridge.test.js" "$esm/bridge.js" || status=1
errors=$(gjs -m "$esm/extension.js" 2>&1)
if echo "$errors" | grep -q "Failed to parse" || ! echo "$errors" | grep -q "resolve imports"; then
    echo "FAILED: the ES-module entry does not parse:" >&2
    echo "$errors" >&2
    status=1
else
    echo "ok: the ES-module entry parses"
fi
exit $status
