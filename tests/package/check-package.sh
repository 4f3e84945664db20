#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a Debian package of Quillet: what it installs, what it depends on,
# and what lintian, desktop-file-validate and appstreamcli say of it.
set -u
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {
    local what=$1
    shift
    if "$@" >"$work/out" 2>&1; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what" >&2
        cat "$work/out" >&2
    fi
}

dpkg-deb -x "$deb" "$work/root"
dpkg-deb -f "$deb" Depends >"$work/depends"
for path in usr/bin/quillet usr/share/applications/io.quillet.Quillet.desktop \
    usr/share/icons/hicolor/scalable/apps/io.quillet.Quillet.svg \
    usr/share/quillet/io.quillet.Quillet.desktop usr/share/metainfo/io.quillet.Quillet.metainfo.xml \
    usr/share/man/man1/quillet.1.gz usr/share/doc/quillet/copyright \
    usr/share/dbus-1/interfaces/io.quillet.History1.xml \
    usr/share/bash-completion/completions/quillet \
    usr/share/gnome-shell/extensions/quillet@quillet.io/metadata.json \
    usr/share/gnome-shell/extensions/quillet@quillet.io/extension.js \
    usr/share/gnome-shell/extensions/quillet@quillet.io/bridge.js \
    usr/share/gnome-shell/extensions/quillet@quillet.io/schemas/gschemas.compiled; do
    check "installs /$path" test -f "$work/root/$path"
done
# Nothing outside /usr: removing the package leaves nothing of its own behind.
check "installs only below /usr" test "$(ls "$work/root")" = usr
for dependency in libqt6core6 libxcb1 libwayland-client0 libicu72 qml6-module-qtquick-controls \
    qml6-module-qtquick-layouts; do
    check "depends on $dependency" grep -q "$dependency" "$work/depends"
done
check "lintian reports no error or warning" \
    bash -c "! lintian --suppress-tags running-with-root-privileges '$deb' | grep -E '^[EW]:'"
for entry in usr/share/applications/io.quillet.Quillet.desktop \
    usr/share/quillet/io.quillet.Quillet.desktop; do
    check "desktop-file-validate /$entry" desktop-file-validate "$work/root/$entry"
done
check "appstreamcli validates the metainfo" \
    appstreamcli validate --no-net "$work/root/usr/share/metainfo/io.quillet.Quillet.metainfo.xml"
check "the manual page says where the history lives" \
    bash -c "zcat '$work/root/usr/share/man/man1/quillet.1.gz' | grep -q 'Quillet/history.json'"
check "the manual page says how to script the history" \
    bash -c "zcat '$work/root/usr/share/man/man1/quillet.1.gz' | grep -q 'io.quillet.History1'"
check "the interface description is well-formed" \
    python3 -c "import sys, xml.dom.minidom as m; m.parse(sys.argv[1])" \
        "$work/root/usr/share/dbus-1/interfaces/io.quillet.History1.xml"
check "the autostart entry stays off until copied" \
    test ! -e "$work/root/etc/xdg/autostart"

echo "package: $(du -k "$deb" | cut -f1) KiB; depends: $(cat "$work/depends")"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
