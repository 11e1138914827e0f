#!/usr/bin/env bash
# Started where no screen answers, the game says so in one Italian line and
# exits 1; a Qt abort would leave an English paragraph and a core dump.
set -euo pipefail
program=$1
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
# A display number that nothing serves here.
dead=:$(( 4000 + $$ % 1000 ))
while [ -e "/tmp/.X11-unix/X${dead#:}" ]; do dead=:$(( ${dead#:} + 1 )); done
expected='tavola7: manca lo schermo grafico; avvia il gioco dal menu del desktop o da un terminale aperto nel desktop.'
# Where Qt's Wayland plugin is missing, a Wayland desktop is told which package to install.
wayland=$expected
if ! compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland*" >/dev/null; then
  wayland='tavola7: manca il modulo Wayland di Qt; installa il pacchetto qt6-wayland, poi avvia di nuovo il gioco.'
fi

failed=0
while IFS='|' read -r name said settings; do
  status=0
  # shellcheck disable=SC2086 # each row's settings are words for env
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE XDG_RUNTIME_DIR="$runtime" \
    $settings "$program" >"$runtime/out" 2>"$runtime/err" || status=$?
  if [ "$status" -ne 1 ] || [ "$(cat "$runtime/err")" != "${!said}" ] || [ -s "$runtime/out" ]; then
    echo "$name: status $status, said:"; cat "$runtime/out" "$runtime/err"; failed=1
  fi
done <<ROWS
no display named|expected|
an X display that does not answer|expected|DISPLAY=$dead
a Wayland display that does not answer|wayland|WAYLAND_DISPLAY=gone XDG_SESSION_TYPE=wayland
Wayland asked for by name, not there|wayland|WAYLAND_DISPLAY=gone QT_QPA_PLATFORM=wayland
X asked for by name, not there|expected|DISPLAY=$dead QT_QPA_PLATFORM=xcb
ROWS
exit $failed
