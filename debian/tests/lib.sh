# What the package's tests share: the installed record's places and modes,
# the players, and ways to run and end their programs. Each test starts from
# a freshly reset record (fresh_record), so that it passes alone or after any
# other.
set -euo pipefail
test_name=${0##*/}
trap 'echo "$test_name: line $LINENO failed: $BASH_COMMAND" >&2' ERR
here=$(pwd)/tests/e2e
work=${AUTOPKGTEST_TMP:-$(mktemp -d)}
chmod 0755 "$work"
records=/var/games/tavola7
helper=/usr/lib/tavola7/tavola7-record
share=/usr/lib/tavola7/share-record
users=(tavola7-anna tavola7-bruno)
member=tavola7-gm # a player in the group games, as a careless administrator may make one

# Only root changes what the folder holds; the players read the pair and the
# log, and the lock is the helper's group's alone.
expect_installed_modes() {
  test "$(stat -c %a:%U:%G "$records")" = 755:root:games
  for pair in tavrec7.txt:664 ntavrec7.txt:664 tavola7.lock:660 tavola7.log:664; do
    test "$(stat -c %a:%U:%G:%h:%F "$records/${pair%%:*}")" = "${pair#*:}:root:games:1:regular empty file" ||
      test "$(stat -c %a:%U:%G:%h:%F "$records/${pair%%:*}")" = "${pair#*:}:root:games:1:regular file"
  done
}

add_user() { id -u "$1" >/dev/null 2>&1 || useradd -m "${@:2}" "$1"; }
fresh_record() {
  for user in "${users[@]}"; do add_user "$user"; done
  "$share" --reset >/dev/null
}
as() { local user=$1; shift; runuser -u "$user" -- "$@"; }

# Waits, at most a minute, for a condition given as a command, and names it
# when it never comes.
wait_until() {
  local what=$1 deadline=$((SECONDS + 60))
  shift
  until "$@"; do
    if [ "$SECONDS" -ge "$deadline" ]; then echo "$test_name: timed out waiting for $what" >&2; return 1; fi
    sleep 0.05
  done
}

# Starts a player's Python program in the background, in a session of its
# own, and waits until it prints "ready". Every chroot of a machine shares one
# process table and the players' user ids, so a player's programs are ended
# by that session alone, never by user name. On a busy machine the output
# file may not be there yet at the first look: grep stays silent about it.
start_player() { # NAME USER PYTHON-ARGUMENTS...
  local name=$1 user=$2
  shift 2
  as "$user" setsid sh -c 'echo $$ >&3; exec /usr/bin/python3 "$@"' sh "$@" \
    3>"$work/$name.session" >"$work/$name.out" 2>/dev/null &
  wait_until "$name to be ready" grep -qsx ready "$work/$name.out"
}
end_player() { pkill -KILL -s "$(cat "$work/$1.session")" || true; }
players_in() { pgrep -c -s "$(cat "$work/$1.session")" || true; }

# Root holds the record's lock until release_lock. The holder is the
# sleeping process itself, so that ending it lets go of the lock.
hold_lock() {
  ( exec 9<"$records/tavola7.lock"; flock 9; exec sleep infinity ) &
  holder=$!
  wait_until "root to hold the lock" locked
}
release_lock() { kill "$holder"; wait "$holder" 2>/dev/null || true; }

# A test that fails halfway still ends its players and background jobs,
# which would otherwise sleep on, holding the lock for the tests after it.
end_everything() {
  local session
  for session in "$work"/*.session; do [ ! -e "$session" ] || end_player "$(basename "$session" .session)"; done
  kill $(jobs -p) 2>/dev/null || true
}
trap end_everything EXIT

# A copy of the end-to-end cases that the players may read: the checkout
# may sit in a home that only its owner can enter.
copy_for_players() {
  mkdir -p -m 0755 "$work/players"
  cp "$@" "$work/players/"
  chmod 0644 "$work/players"/*
}

locked() { ! flock -n "$records/tavola7.lock" true; }

# Anna starts 300 helpers and stops each at a random moment, some while it
# holds the lock: she may, as they run with her user id.
stop_helpers='
import os, random, signal, subprocess, sys, time
for _ in range(300):
    helper = subprocess.Popen([sys.argv[1]], stdout=subprocess.DEVNULL)
    time.sleep(random.random() / 1000)
    os.kill(helper.pid, signal.SIGSTOP)
print("ready", flush=True)
time.sleep(600)'
