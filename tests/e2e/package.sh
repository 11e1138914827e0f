#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get as a teacher would, plays
# a first game from the menu's command, and removes it again. It changes the
# machine, so it runs only as root (as CI does) and is skipped elsewhere.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: installing a package needs root"
  exit 77
fi
if dpkg -s tavola7 >/dev/null 2>&1; then
  echo "skipped: tavola7 is already installed on this machine; not touching it"
  exit 77
fi

work=$(mktemp -d)
cleanup() {
  DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tavola7 >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
deb=$(ls "$work"/tavola7_*.deb)
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null

command=$(sed -n 's/^Exec=//p' /usr/share/applications/org.example.tavola7.desktop)
test -f /usr/share/icons/hicolor/48x48/apps/tavola7.png
/usr/bin/python3 -W ignore "$here/test_game.py" "$(command -v "$command")" Game.test_first_start_creates_empty_records
