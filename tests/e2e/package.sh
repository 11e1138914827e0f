#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it with apt-get
# as a teacher would, and plays as two users of the computer, who share one
# record that neither can write by hand. Then it removes and purges it. It
# changes the machine, so it runs only as root (as CI does) and is skipped
# elsewhere.
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
users=(tavola7-anna tavola7-bruno)
cleanup() {
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tavola7 >/dev/null 2>&1 || true
  for user in "${users[@]}"; do userdel -r "$user" >/dev/null 2>&1 || true; done
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB -B "$work" >/dev/null)
deb=$(ls "$work"/tavola7_*.deb)
ls "$work"/tavola7-dbgsym_*.ddeb >/dev/null
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6
# Errors and warnings fail; informational tags are left to judgement.
if lintian --fail-on error,warning "$deb" 2>/dev/null | grep -E '^[EW]:'; then
  echo "lintian found the problems above"; exit 1
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null

records=/var/games/tavola7
helper=/usr/lib/tavola7/tavola7-record
test "$(stat -c %a:%U:%G "$helper")" = 2755:root:games
test "$(stat -c %a:%U:%G "$records")" = 2775:root:games
test "$(stat -c %a:%U:%G "$records/tavrec7.txt")" = 664:root:games
test -x /usr/games/tavola7
man -w tavola7 >/dev/null
man -w -L it tavola7 | grep -q /it/
command=$(sed -n 's/^Exec=//p' /usr/share/applications/org.example.tavola7.desktop)
test "$(PATH=/usr/games:$PATH command -v "$command")" = /usr/games/tavola7

# No display: one line in Italian and status 1, not a core dump.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/games/tavola7 2>"$work/err" || status=$?
test "$status" -eq 1
test "$(wc -l <"$work/err")" -eq 1

for user in "${users[@]}"; do useradd -m "$user"; done
as() { local user=$1; shift; runuser -u "$user" -- "$@"; }
# The players run the end-to-end cases from a copy they may read: the checkout
# may sit in a home that only its owner can enter.
players=$work/players
mkdir -m 0755 "$players"
chmod 0755 "$work"
cp "$here/test_game.py" "$here/desktop.py" "$players/"
chmod 0644 "$players"/*.py

# Anna sets a record as a player; Bruno's next start shows it and he beats it.
as tavola7-anna env HOME=/home/tavola7-anna /usr/bin/python3 -W ignore "$players/test_game.py" \
  /usr/games/tavola7 Game.test_a_shared_record_is_set_by_one_player
test "$(cat "$records/tavrec7.txt")" = $'1\r'
as tavola7-bruno env HOME=/home/tavola7-bruno /usr/bin/python3 -W ignore "$players/test_game.py" \
  /usr/games/tavola7 Game.test_a_shared_record_is_shown_and_beaten_by_another
test "$(cat "$records/ntavrec7.txt")" = $'Bruno\r'

# Neither can write the files by hand.
for user in "${users[@]}"; do
  for name in tavrec7.txt ntavrec7.txt tavola7.journal; do
    if as "$user" sh -c "echo 99 > $records/$name" 2>/dev/null; then
      echo "$user could write $name by hand"; exit 1
    fi
  done
done

# Ten saves at once by the two users, twenty rounds: the best score stays, with its holder.
for round in $(seq 1 20); do
  printf '0\r\n' >"$records/tavrec7.txt"
  for game in $(seq 0 9); do
    score=$(( 10 + (game * 7 + round) % 10 ))
    as "${users[game % 2]}" "$helper" "$score" "player$score" &
  done
  wait
  test "$(cat "$records/tavrec7.txt")" = $'19\r'
  test "$(cat "$records/ntavrec7.txt")" = $'player19\r'
done

# Removal keeps the record; purge deletes it.
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tavola7 >/dev/null
test -f "$records/tavrec7.txt"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tavola7 >/dev/null
test ! -e "$records"
echo "package: lintian clean, shared record, helper and purge checked"
