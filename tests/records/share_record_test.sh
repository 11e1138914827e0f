#!/usr/bin/env bash
# The install step, share-record, as a program beside the record helper's test
# build, on its folder: its reset, a save that lands while it copies a file that
# a member of games linked from elsewhere, a log made huge. Root's, or skipped.
#   share_record_test.sh SHARE_RECORD_SOURCE HELPER FOLDER
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "skipped: the install step runs as root"; exit 77; }
source=$1 helper=$2 folder=$3
# The two as installed, side by side and the helper set-group-id, beside
# the folder: a temporary folder may be mounted without set-id programs.
work=$folder-installed
rm -rf "$work"
mkdir "$work"
trap 'rm -rf "$work" "$folder-linked"' EXIT
sed "s|@TAVOLA_SHARED_RECORD_DIR@|$folder|" "$source" >"$work/share-record"
install -o root -g games -m 2755 "$helper" "$work/tavola7-record"
helper=$work/tavola7-record
# A save lands between the copy of a linked file and its move into place:
# one that had opened the log before it was linked, here after the member
# let go of his link.
mkdir "$work/between"
printf '#!/bin/sh\nrm "%s"\n"%s" 9 Bruno\nexec %s "$@"\n' "$folder-linked" "$helper" "$(command -v mv)" \
  >"$work/between/mv"
chmod +x "$work/share-record" "$work/between/mv"

"$work/share-record" --reset >/dev/null
[ "$(cd "$folder" && stat -c '%n %a %U %G' tavrec7.txt ntavrec7.txt tavola7.lock tavola7.log | tr '\n' ' ')" = \
  "tavrec7.txt 664 root games ntavrec7.txt 664 root games tavola7.lock 660 root games tavola7.log 664 root games " ] ||
  { echo "the fresh record's files have other modes or owners"; exit 1; }
# A member of games links the log, then the score file, from elsewhere; a
# save lands in the old file between the copy and its move into place. A
# held lock keeps each save's entry in the log: one before the step, and one
# that the copy must carry. Then the score file with the lock free: the save
# folds, and the step must not move the old record over it.
for linked in tavola7.log tavrec7.txt; do
  printf '5\r\n' >"$folder/tavrec7.txt"
  printf 'Anna\r\n' >"$folder/ntavrec7.txt"
  : >"$folder/tavola7.log"
  if [ "$linked" = tavola7.log ]; then
    exec 9<"$folder/tavola7.lock"
    flock -s 9
    "$helper" 7 Carla
  fi
  ln "$folder/$linked" "$folder-linked"
  PATH="$work/between:$PATH" "$work/share-record" 2>/dev/null
  exec 9<&-
  if [ "$linked" = tavola7.log ]; then
    [ "$(tr -d '\0' <"$folder/tavola7.log")" = $'\n7 5 Carla 0\r\n9 5 Bruno 0\r' ] ||
      { echo "the log lost a byte or gained one"; od -c "$folder/tavola7.log"; exit 1; }
  fi
  "$helper"
  [ "$(cat "$folder/tavrec7.txt")" = $'9\r' ] || { echo "$linked: the save that landed meanwhile was lost"; exit 1; }
done

# A log that a member of games made a terabyte long, and filled past the
# cap, comes back to its entries: the saves land again.
printf '\n17 5 Carla 0\r' >"$folder/tavola7.log"
truncate -s 1T "$folder/tavola7.log"
printf '\n18 5 Carla 0\r%s' "$(head -c 17000000 /dev/zero | tr '\0' x)" >>"$folder/tavola7.log"
"$work/share-record"
[ "$(stat -c %s "$folder/tavola7.log")" = 28 ] && [ "$(cat "$folder/tavrec7.txt")" = $'18\r' ] ||
  { echo "the log did not come back to its entries"; ls -l "$folder"; exit 1; }
"$helper" 19 Bruno || { echo "a save after the step was refused"; exit 1; }
