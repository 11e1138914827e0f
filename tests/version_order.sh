#!/usr/bin/env bash
# A later commit's package sorts above an earlier one's, as apt orders them,
# across a new digit of the count too; a shallow clone, which counts fewer
# commits than there are, is refused before anything is built.
set -euo pipefail
project=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version() { cmake -DSOURCE="$1" -P "$project/cmake/version.cmake" | cut -d' ' -f1; }

git init -q "$work/repo"
for n in $(seq 1 10); do
  git -C "$work/repo" -c user.name=t -c user.email=t@t commit -q --allow-empty -m "$n"
  [ "$n" -ge 9 ] && versions+=("$(version "$work/repo")")
done
dpkg --compare-versions "${versions[1]}" gt "${versions[0]}" ||
  { echo "${versions[1]} does not sort above ${versions[0]}"; exit 1; }

git clone -q --depth 1 "file://$project" "$work/shallow"
if "$work/shallow/scripts/build-package" "$work/out" 2>"$work/err"; then
  echo "a shallow clone was packaged"; exit 1
fi
grep -q "shallow clone" "$work/err"
