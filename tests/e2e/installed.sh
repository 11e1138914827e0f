#!/usr/bin/env bash
# Installs the build into a fresh prefix, checks the desktop files, and plays
# a game with the installed program.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
test -L "$prefix/bin/tavola7"
test -f "$prefix/lib/tavola7/suoni/Esatto.wav"
test -f "$prefix/lib/tavola7/suoni/no.wav"
test -f "$prefix/lib/tavola7/tavola7-sound.so"
test -f "$prefix/share/icons/hicolor/48x48/apps/tavola7.png"
desktop-file-validate "$prefix/share/applications/org.example.tavola7.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.example.tavola7.metainfo.xml" >/dev/null
/usr/bin/python3 -W ignore "$here/test_game.py" "$prefix/bin/tavola7" Game.test_a_new_record_is_written_and_shown_next_time
