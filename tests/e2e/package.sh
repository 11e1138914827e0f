#!/usr/bin/env bash
# Builds the Debian package and checks it the Debian way: built again with
# the same bytes, lintian, piuparts, and the package's own tests
# (debian/tests) run by autopkgtest in a throwaway Debian of this release,
# never on this machine. Making that Debian needs root, so it runs only as
# root (as CI does) and is skipped elsewhere.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: making a throwaway Debian needs root"
  exit 77
fi

work=$(mktemp -d)
testbed=$work/testbed
cleanup() {
  wait # for the second build and piuparts, whose files are about to go
  local mount
  for mount in var/cache/apt/archives dev/shm proc; do
    if mountpoint -q "$testbed/$mount" && ! umount "$testbed/$mount"; then
      echo "left $work behind: $testbed/$mount is still mounted"; return
    fi
  done
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT

source=$(cd "$here/../.." && pwd)
make -s -C "$source" package BUILD="$work" 2>/dev/null
deb=$(ls "$work"/tavola7_*.deb)
ls "$work"/tavola7-dbgsym_*.deb >/dev/null

# Anyone who builds the same commit again gets the same bytes: here a clone
# of it, in deeper folders, in another time zone, language and umask.
again=$work/again/a/b
mkdir -p "$again"
# It builds while the checks below install the first build elsewhere.
(
  umask 0077
  export TZ=Pacific/Kiritimati LC_ALL=it_IT.utf8 LANG=it_IT.utf8
  git clone -q "$source" "$again/source"
  git -C "$again/source" checkout -q "$(git -C "$source" rev-parse HEAD)"
  make -s -C "$again/source" package BUILD="$again/c/build"
) >"$work/again.log" 2>&1 &
again_pid=$!
# Errors and warnings fail, by lintian's own status; informational tags are
# left to judgement.
if ! report=$(lintian --fail-on error,warning "$deb" 2>&1); then
  printf '%s\n' "$report"
  echo "lintian found the problems above"; exit 1
fi
# Debian's own check of a package's scripts, in a clean machine of this
# release: install, remove, install again, purge; nothing may be left behind
# or changed. It runs in a chroot of its own beside autopkgtest's testbed.
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
seed=$("$here/../../scripts/debian-seed" "$suite")
piuparts --basetgz="$seed" -d "$suite" -m "$("$here/../../scripts/debian-seed" --mirror) main" \
  --install-remove-install "$deb" >"$work/piuparts.log" 2>&1 &
piuparts_pid=$!

# The package's own tests, in a Debian made from the same seed and thrown
# away. It fetches the packages that it installs into this machine's cache
# of them, of the same release, where most of them are already.
mkdir "$testbed" "$work/source"
tar -C "$testbed" -xzf "$seed"
cp /etc/resolv.conf "$testbed/etc/resolv.conf"
mount -t proc proc "$testbed/proc"
mount -t tmpfs tmpfs "$testbed/dev/shm"
mount --bind /var/cache/apt/archives "$testbed/var/cache/apt/archives"
git -C "$source" archive HEAD | tar -C "$work/source" -xf -
# Its log names the version under test, as the package has it.
sed -i "1s/([^)]*)/($(dpkg-deb -f "$deb" Version))/" "$work/source/debian/changelog"
# The testbed is thrown away, so the tests that add users or remove the
# package run too; a skipped test fails like a failed one.
if ! autopkgtest --no-built-binaries --ignore-restrictions=breaks-testbed --setup-commands="apt-get update -qq" \
     "$deb" "$work/source" -- chroot "$testbed" >"$work/autopkgtest.log" 2>&1; then
  # Each failed test's own lines, which name the line that failed; a run
  # that ends before its summary shows its end instead.
  awk '/@@@@ summary$/ { on = 1; next } on && $2 == "FAIL" { print $1 }' "$work/autopkgtest.log" >"$work/failed"
  if [ -s "$work/failed" ]; then
    while read -r name; do
      awk -v test="test $name: " '/^autopkgtest \[/ { on = index($0, test) && (on || index($0, test "[")) } on' "$work/autopkgtest.log"
    done <"$work/failed"
  else
    tail -n 60 "$work/autopkgtest.log"
  fi
  echo "autopkgtest failed"; exit 1
fi
awk '/@@@@ summary$/ { on = 1; next } /^autopkgtest \[/ { on = 0 } on' "$work/autopkgtest.log"
if ! wait "$piuparts_pid"; then
  grep -E 'ERROR|FAIL' "$work/piuparts.log" | tail -n 30
  echo "piuparts failed"; exit 1
fi
if ! wait "$again_pid"; then
  tail -n 20 "$work/again.log"
  echo "building again failed"; exit 1
fi
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
echo "package $(dpkg-deb -f "$deb" Version): the same bytes built again; lintian, piuparts and autopkgtest clean"
