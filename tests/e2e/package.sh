#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian and piuparts, installs it
# with apt-get as a teacher would, and plays as two users of the computer, who
# share one record that neither can write by hand nor hold. A member of games
# races root's install step; an administrator resets the record. Then it
# removes and purges the package. It changes the machine, so it runs only as
# root (as CI does) and is skipped elsewhere.
set -euo pipefail
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
member=tavola7-gm # a player in the group games, as a careless administrator may make one
cleanup() {
  DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tavola7 >/dev/null 2>&1 || true
  for user in "${users[@]}" "$member"; do userdel -r "$user" >/dev/null 2>&1 || true; done
  rm -rf "$work"
}
trap cleanup EXIT

source=$(cd "$here/../.." && pwd)
make -s -C "$source" package BUILD="$work" 2>/dev/null
deb=$(ls "$work"/tavola7_*.deb)
ls "$work"/tavola7-dbgsym_*.deb >/dev/null
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6

# Anyone who builds the same commit again gets the same bytes: here a clone
# of it, in deeper folders, in another time zone, language and umask.
again=$work/again/a/b
mkdir -p "$again"
(
  umask 0077
  export TZ=Pacific/Kiritimati LC_ALL=it_IT.utf8 LANG=it_IT.utf8
  git clone -q "$source" "$again/source"
  git -C "$again/source" checkout -q "$(git -C "$source" rev-parse HEAD)"
  make -s -C "$again/source" package BUILD="$again/c/build" 2>/dev/null
)
different=()
for first in "$work"/tavola7*deb; do
  second=$again/c/build/${first##*/}
  cmp -s "$first" "$second" || different+=("${first##*/}")
done
if [ ${#different[@]} -gt 0 ]; then
  echo "built again, these differ: ${different[*]}"
  if command -v diffoscope >/dev/null; then
    for name in "${different[@]}"; do diffoscope "$work/$name" "$again/c/build/$name" | head -n 60 || true; done
  fi
  exit 1
fi
# Errors and warnings fail; informational tags are left to judgement.
if lintian --fail-on error,warning "$deb" 2>/dev/null | grep -E '^[EW]:'; then
  echo "lintian found the problems above"; exit 1
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
version=$(dpkg-query -W -f '${Version}' tavola7)
test "$(/usr/games/tavola7 --version)" = "tavola7 $version"
zcat /usr/share/man/man6/tavola7.6.gz | grep -qF "\"tavola7 $version\""

records=/var/games/tavola7
helper=/usr/lib/tavola7/tavola7-record
test "$(stat -c %a:%U:%G "$helper")" = 2755:root:games
# Only root changes what the folder holds; the players read the pair and the
# log, and the lock is the helper's group's alone.
expect_installed_modes() {
  test "$(stat -c %a:%U:%G "$records")" = 755:root:games
  for pair in tavrec7.txt:664 ntavrec7.txt:664 tavola7.lock:660 tavola7.log:664; do
    test "$(stat -c %a:%U:%G:%h:%F "$records/${pair%%:*}")" = "${pair#*:}:root:games:1:regular empty file" ||
      test "$(stat -c %a:%U:%G:%h:%F "$records/${pair%%:*}")" = "${pair#*:}:root:games:1:regular file"
  done
}
expect_installed_modes
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

# Neither can write the files by hand, nor take the lock of their rewrite.
for user in "${users[@]}"; do
  for name in tavrec7.txt ntavrec7.txt tavola7.lock tavola7.log; do
    if as "$user" sh -c "echo 99 > $records/$name" 2>/dev/null; then
      echo "$user could write $name by hand"; exit 1
    fi
  done
  if as "$user" flock -n "$records/tavola7.lock" true 2>/dev/null; then
    echo "$user could take the record's lock"; exit 1
  fi
done

# Anna starts a helper whose answer goes into a full pipe that she never
# reads: Bruno's start and save still finish at once, and the save is kept.
as tavola7-anna /usr/bin/python3 -c '
import os, subprocess, sys, time
read, write = os.pipe()
os.set_blocking(write, False)
try:
    while True:
        os.write(write, b"x" * 65536)
except BlockingIOError:
    os.set_blocking(write, True)
subprocess.Popen([sys.argv[1]], stdout=write)
time.sleep(60)' "$helper" &
sleep 1
SECONDS=0
as tavola7-bruno "$helper" >/dev/null
as tavola7-bruno "$helper" 30000 Bruno
test "$SECONDS" -lt 2
test "$(cat "$records/tavrec7.txt")" = $'30000\r'
pkill -KILL -u tavola7-anna || true
wait || true

# Anna stops her helpers with SIGSTOP at random moments (she may: they run
# with her user id), some while they hold the lock of the files' rewrite,
# and a holder of that lock never lets go: Bruno's start and save still
# finish at once, his save is what the next start shows, and the
# administrator's reset still works.
as tavola7-anna /usr/bin/python3 -c '
import os, random, signal, subprocess, sys, time
for _ in range(300):
    helper = subprocess.Popen([sys.argv[1]], stdout=subprocess.DEVNULL)
    time.sleep(random.random() / 1000)
    os.kill(helper.pid, signal.SIGSTOP)
time.sleep(60)' "$helper" &
flock "$records/tavola7.lock" sleep 60 &
sleep 3
SECONDS=0
as tavola7-bruno "$helper" >/dev/null
as tavola7-bruno "$helper" 31000 Bruno
test "$SECONDS" -lt 2
grep -aq '^31000 5 Bruno' "$records/tavola7.log"
# A file size limit just above the log's size cuts no entry short: her save
# is refused before it writes, as often as she tries.
size=$(stat -c %s "$records/tavola7.log")
for try in 1 2 3; do
  status=0
  as tavola7-anna /usr/bin/python3 -c '
import os, resource, sys
limit = int(sys.argv[2]) + 100
resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
os.execv(sys.argv[1], [sys.argv[1], "32767", "Anna"])' "$helper" "$size" 2>/dev/null || status=$?
  test "$status" -eq 61
done
test "$(stat -c %s "$records/tavola7.log")" = "$size"
stopped=$(pgrep -c -u tavola7-anna)
/usr/lib/tavola7/share-record --reset >/dev/null
test ! -s "$records/tavrec7.txt" && test ! -s "$records/tavola7.log"
# The reset signals nobody: her stopped helpers are all still there.
test "$(pgrep -c -u tavola7-anna)" = "$stopped"
pkill -KILL -u tavola7-anna || true
wait || true

# A member of games swaps each file for a link to a file of root's while
# root's install step runs, ten times a round over a folder left
# group-writable by an older version: the step never changes that file, and
# leaves the folder root's alone. (An older step lost this in half the rounds.)
useradd -m -G games "$member"
canary=$work/canary
cp "$here/swap_links.py" "$players/"
for round in $(seq 1 20); do
  install -m 0600 /dev/null "$canary"
  chmod 2775 "$records"
  ( as "$member" /usr/bin/python3 "$players/swap_links.py" "$records" "$canary" ) 2>/dev/null &
  sleep 0.1
  for run in $(seq 1 10); do
    /usr/lib/tavola7/share-record "$records" >/dev/null
    chmod 2775 "$records"
  done
  pkill -KILL -u "$member" || true
  wait 2>/dev/null || true
  /usr/lib/tavola7/share-record "$records" >/dev/null
  test "$(stat -c %a:%U "$canary")" = 600:root
  expect_installed_modes
done

# An administrator who deletes the files for a fresh record: the players'
# games make none of them again (the start fails, in Italian); the one
# documented command makes a fresh, empty record of root's.
rm -f "$records"/*
status=0
as tavola7-anna "$helper" 2>"$work/err" || status=$?
test "$status" -eq 53
grep -q "File non trovato" "$work/err"
test -z "$(ls -A "$records")"
printf '7\r\n' >"$records/tavrec7.txt" # as an older version let a player's game make it
chown tavola7-anna "$records/tavrec7.txt"
/usr/lib/tavola7/share-record --reset >/dev/null
expect_installed_modes
test -z "$(find "$records" ! -user root)"
test ! -s "$records/tavrec7.txt" && test ! -s "$records/ntavrec7.txt"
as tavola7-anna "$helper" 5 Anna
test "$(cat "$records/tavrec7.txt")" = $'5\r'

# Root's step over an older, group-writable folder in which a member of games
# left a folder under the old clean-up glob: it never fails, carries the
# valid pair over and keeps nothing of the old folder. A record file that he
# then links from elsewhere resets both files together.
printf '12\r\n' >"$records/tavrec7.txt"
chmod 2775 "$records"
as "$member" mkdir -p "$records/tavrec7.txt.tmp-1/deeper"
/usr/lib/tavola7/share-record "$records" >/dev/null
expect_installed_modes
test "$(cat "$records/tavrec7.txt" "$records/ntavrec7.txt")" = $'12\r\nAnna\r'
test -z "$(find "$records" /var/games -maxdepth 1 -name '*tmp-1' -o -maxdepth 1 -name '.tavola7-aside.*')"
# A pair that no game could write is not carried over either.
printf '99999\r\n' >"$records/tavrec7.txt"
/usr/lib/tavola7/share-record "$records" >/dev/null
test ! -s "$records/tavrec7.txt" && test ! -s "$records/ntavrec7.txt"
printf '12\r\n' >"$records/tavrec7.txt"
printf 'Anna\r\n' >"$records/ntavrec7.txt"
as "$member" ln "$records/ntavrec7.txt" "/home/$member/kept"
/usr/lib/tavola7/share-record "$records" >/dev/null
expect_installed_modes
test ! -s "$records/tavrec7.txt" && test ! -s "$records/ntavrec7.txt"

# Ten saves at once by the two users, twenty rounds: the best score stays, with its holder.
for round in $(seq 1 20); do
  printf '0\r\n' >"$records/tavrec7.txt"
  : >"$records/tavola7.log"
  for game in $(seq 0 9); do
    score=$(( 10 + (game * 7 + round) % 10 ))
    as "${users[game % 2]}" "$helper" "$score" "player$score" &
  done
  wait
  test "$(cat "$records/tavrec7.txt")" = $'19\r'
  test "$(cat "$records/ntavrec7.txt")" = $'player19\r'
done

# Debian's own check of a package's scripts, in a clean machine of this
# release: install, remove, install again, purge; nothing may be left behind
# or changed.
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
seed=$("$here/../../scripts/debian-seed" "$suite")
if ! piuparts --basetgz="$seed" -d "$suite" -m "$("$here/../../scripts/debian-seed" --mirror) main" \
     --install-remove-install "$deb" >"$work/piuparts.log" 2>&1; then
  grep -E 'ERROR|FAIL' "$work/piuparts.log" | tail -n 30
  echo "piuparts failed"; exit 1
fi

# Removal keeps the record; purge deletes it.
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tavola7 >/dev/null
test -f "$records/tavrec7.txt"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq tavola7 >/dev/null
test ! -e "$records"
test ! -e /var/games || test -n "$(ls -A /var/games)"
echo "package $version: the same bytes built again; lintian and piuparts clean; shared record, helper, reset and purge checked"
