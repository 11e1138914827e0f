#!/usr/bin/env bash
# Both manual pages render without a warning, and with no words run together
# (a macro such as .IR joins its arguments, blanks and all).
set -euo pipefail
for page in "$(dirname "$0")"/../packaging/tavola7.6 "$(dirname "$0")"/../packaging/tavola7.it.6; do
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>"${TMPDIR:-/tmp}/man-warnings.$$")
  if [ -s "${TMPDIR:-/tmp}/man-warnings.$$" ]; then
    cat "${TMPDIR:-/tmp}/man-warnings.$$"; rm -f "${TMPDIR:-/tmp}/man-warnings.$$"; exit 1
  fi
  rm -f "${TMPDIR:-/tmp}/man-warnings.$$"
  long=$(tr -s ' \n' '\n\n' <<<"$text" | awk 'length > 40')
  if [ -n "$long" ]; then
    echo "$page: words run together: $long"; exit 1
  fi
done
