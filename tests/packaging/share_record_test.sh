#!/usr/bin/env bash
# The install step, share-record, as a program beside the record helper's test
# build and renew-record, on the helper's folder: its reset; a renewal, for a
# file that a member of games linked from elsewhere, which waits for a save
# under way and sends one that comes meanwhile to the fresh folder; hostile
# logs, out of which it carries the record by the book's reading, in little
# memory. (A held lock is the package's players-and-locks.) Root's, or skipped.
#   share_record_test.sh SHARE_RECORD_SOURCE HELPER RENEW_RECORD FOLDER
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "skipped: the install step runs as root"; exit 77; }
command -v strace >/dev/null || { echo "skipped: strace is missing"; exit 77; }
source=$1 helper=$2 renew=$3 folder=$4
work=$folder-installed
rm -rf "$work"
mkdir "$work"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work" "$folder-linked"' EXIT
sed "s|@TAVOLA_SHARED_RECORD_DIR@|$folder|" "$source" >"$work/share-record"
chmod +x "$work/share-record"
cp "$helper" "$work/tavola7-record"
cp "$renew" "$work/renew-record"
step() { "$work/share-record" "$@"; }
# A player saves as the installed helper runs: an ordinary user, of its group.
player=(setpriv --reuid=65534 --regid="$(getent group games | cut -d: -f3)" --clear-groups "$work/tavola7-record")
save() { "${player[@]}" "$@"; }
fail() { echo "$*"; ls -li "$folder"; exit 1; }
# A fresh record holding the pair SCORE NAME and the log LOG.
plant() {
  step --reset >/dev/null
  printf '%s\r\n' "$1" >"$folder/tavrec7.txt"
  printf '%s\r\n' "$2" >"$folder/ntavrec7.txt"
  printf "$3" >"$folder/tavola7.log"
}
# A member of games gives the score file another name elsewhere, which every
# save refuses until the step renews the folder.
link() { ln -f "$folder/tavrec7.txt" "$folder-linked"; }
record() { echo "$(tr -d '\r' <"$folder/tavrec7.txt") $(tr -d '\r' <"$folder/ntavrec7.txt")"; }
# Waits until a trace names CALL, which strace holds back there.
met() {
  for _ in $(seq 1 200); do grep -q "$2(" "$1" 2>/dev/null && return; sleep 0.05; done
  fail "never came to $2"
}

step --reset >/dev/null
[ "$(cd "$folder" && stat -c '%n %a %U %G' tavrec7.txt ntavrec7.txt tavola7.lock tavola7.log | tr '\n' ' ')" = \
  "tavrec7.txt 664 root games ntavrec7.txt 664 root games tavola7.lock 660 root games tavola7.log 664 root games " ] ||
  fail "the fresh record's files have other modes or owners"
# A set-group-id bit left on the folder goes.
chmod 2755 "$folder"
step
[ "$(stat -c %a "$folder")" = 755 ] || fail "the folder kept its set-group-id bit"

# A save under way (held at its entry's sync) when the step comes: the step
# waits for its turn, and carries its record.
plant 5 Anna ''
strace -qq -o "$work/save.trace" -P "$folder/tavola7.log" -e trace=fsync -e inject=fsync:delay_enter=1500000 \
  "${player[@]}" 9 Bruno &
saver=$!
met "$work/save.trace" fsync
link
step >/dev/null
wait "$saver" || fail "the save under way failed"
[ "$(record)" = "9 Bruno" ] && [ "$(stat -c %h "$folder/tavrec7.txt")" = 1 ] && [ ! -s "$folder/tavola7.log" ] ||
  fail "the save under way was not carried into fresh files: $(record)"

# A save that comes while the step holds every turn (here held at its swap)
# waits, then lands in the fresh folder.
plant 5 Anna ''
link
strace -qq -f -o "$work/step.trace" -P "$folder" -e trace=renameat2 -e inject=renameat2:delay_enter=1500000 \
  "$work/share-record" >/dev/null &
stepper=$!
met "$work/step.trace" renameat2
strace -qq -o "$work/save.trace" -e trace=fcntl \
  "${player[@]}" 9 Bruno ||
  fail "the save during the step failed"
wait "$stepper" || fail "the step failed"
grep -q 'F_OFD_SETLK.* = -1 EAGAIN' "$work/save.trace" || fail "the save never waited for the step"
[ "$(record)" = "9 Bruno" ] || fail "the save during the step was lost: $(record)"

# Logs that a member of games made, 16 MiB long, of lines that no save
# writes, of the shortest entries, and of a better entry for every score:
# the record is the book's, out of 64 MiB at most.
longest=$(printf '%255s' '' | tr ' ' x)
for shape in "yes $'\r'|9 Bruno" "yes $'0 0  0\r'|9 Bruno" "seq 32767 | sed 's/\$/ 255 $longest 0\r/'|32767 $longest"; do
  plant 5 Anna ''
  link
  { head -c 16777216 < <(eval "${shape%|*}"); printf '\n99 5 Carla\r\n98 5 Carla 0 1\r\n9 5 Bruno 0\r'; } >"$folder/tavola7.log"
  (ulimit -v 65536; step) || fail "the step failed on a log of $(stat -c %s "$folder/tavola7.log") bytes"
  [ "$(record)" = "${shape##*|}" ] || fail "the step's record is not the book's: $(record)"
done
# Beyond the 16 MiB that a game reads, an entry is no game's record.
plant 5 Anna '\n17 5 Carla 0\r\n'
truncate -s 1T "$folder/tavola7.log"
printf '\n18 5 Carla 0\r' >>"$folder/tavola7.log"
step
[ "$(record)" = "17 Carla" ] && [ ! -s "$folder/tavola7.log" ] || fail "the terabyte log was not renewed: $(record)"
save 19 Bruno || fail "a save after the step was refused"
