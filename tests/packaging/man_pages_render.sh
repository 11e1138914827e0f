#!/usr/bin/env bash
# Both manual pages render without a warning, and with no words run together
# (a macro such as .IR joins its arguments, blanks and all).
set -euo pipefail
render() { LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$@"; }
for page in "$(dirname "$0")"/../../packaging/tavola7.6 "$(dirname "$0")"/../../packaging/tavola7.it.6; do
  warnings=$(render "$page" 2>&1 >/dev/null)
  long=$(render "$page" 2>/dev/null | tr -s ' \n' '\n\n' | awk 'length > 40')
  if [ -n "$warnings$long" ]; then
    echo "$page: $warnings${long:+words run together: $long}"; exit 1
  fi
done
