#!/usr/bin/env bash
# make run must not install what only the tests need: a family's or a
# school's computer gets the game, not a test desktop or a second sound server.
set -euo pipefail
run=" $("$(dirname "$0")/../scripts/install-deps" run --list) "
package=" $("$(dirname "$0")/../scripts/install-deps" package --list) "
for tool in libgtest-dev clang libclang-rt-dev llvm strace xvfb x11-xkb-utils openbox xdotool imagemagick faketime \
            dbus-daemon at-spi2-core python3-pyatspi pulseaudio pulseaudio-utils pipewire-pulse \
            wireplumber orca speech-dispatcher-espeak-ng desktop-file-utils appstream lintian piuparts autopkgtest \
            python3-xlib; do
  if [[ $run == *" $tool "* || $package == *" $tool "* ]]; then
    echo "make run or make package would install the test tool $tool"
    exit 1
  fi
done
