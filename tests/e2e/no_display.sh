#!/usr/bin/env bash
# Started where no screen answers, the game says so in one Italian line and
# exits 1; a Qt abort would leave an English paragraph and a core dump. A
# Wayland desktop without Qt's Wayland plugin is told which package to
# install: where the plugin is installed, root hides it in a private mount.
set -euo pipefail
program=$1
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
# A display number that nothing serves here.
dead=:$(( 4000 + $$ % 1000 ))
while [ -e "/tmp/.X11-unix/X${dead#:}" ]; do dead=:$(( ${dead#:} + 1 )); done
no_display='tavola7: manca lo schermo grafico; avvia il gioco dal menu del desktop o da un terminale aperto nel desktop.'
no_plugin='tavola7: manca il modulo Wayland di Qt; installa il pacchetto qt6-wayland, poi avvia di nuovo il gioco.'
platforms=$(compgen -G "/usr/lib/*/qt6/plugins/platforms" | head -n 1)

failed=0
# NAME, what it must say, its settings, and whether the Wayland plugin is hidden.
check() {
  local name=$1 said=$2 settings=$3 hidden=$4 status=0 start=()
  [ "$hidden" = no ] || start=(unshare -m sh -c 'mount --bind "$0" "$1" && shift && exec "$@"' "$runtime/none" "$platforms")
  mkdir -p "$runtime/none"
  # shellcheck disable=SC2086 # each row's settings are words for env
  "${start[@]}" env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_SESSION_TYPE XDG_RUNTIME_DIR="$runtime" \
    $settings "$program" >"$runtime/out" 2>"$runtime/err" || status=$?
  if [ "$status" -ne 1 ] || [ "$(cat "$runtime/err")" != "$said" ] || [ -s "$runtime/out" ]; then
    echo "$name: status $status, said:"; cat "$runtime/out" "$runtime/err"; failed=1
  fi
}

while IFS='|' read -r name said settings; do
  if compgen -G "$platforms/libqwayland*" >/dev/null; then
    check "$name" "$no_display" "$settings" no
    # A chroot's root is no mount point, and allows no private mount.
    if [ "$(id -u)" -eq 0 ] && unshare -m true 2>/dev/null; then
      check "$name, the plugin missing" "${!said}" "$settings" hidden
    fi
  else
    check "$name" "${!said}" "$settings" no
  fi
done <<ROWS
no display named|no_display|
an X display that does not answer|no_display|DISPLAY=$dead
a Wayland display that does not answer|no_plugin|WAYLAND_DISPLAY=gone XDG_SESSION_TYPE=wayland
Wayland asked for by name, not there|no_plugin|WAYLAND_DISPLAY=gone QT_QPA_PLATFORM=wayland
X asked for by name, not there|no_display|DISPLAY=$dead QT_QPA_PLATFORM=xcb
ROWS
exit $failed
