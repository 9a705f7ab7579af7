#!/usr/bin/env bash
# Runs dieharder's whole battery (-a) on a fresh timer-seeded keystream read from a pipe, then
# prints how many tests passed, were weak or failed. Takes hours.
# Usage: scripts/rng-suite.sh [BUILD_FOLDER]; the full table is kept in BUILD_FOLDER/rng-suite.log.
set -euo pipefail
build=${1:-build}
cli=$build/brevane-cli
log=$build/rng-suite.log
if ! command -v dieharder >/dev/null 2>&1; then
  echo "rng-suite: dieharder is missing (Debian package dieharder; make deps installs it)" >&2
  exit 1
fi
# The keystream runs until dieharder has read what it needs and closes the pipe.
"$cli" keystream 9223372036854775807 | dieharder -a -g 200 | tee "$log"
passed=$(grep -c 'PASSED' "$log" || true)
weak=$(grep -c 'WEAK' "$log" || true)
failed=$(grep -c 'FAILED' "$log" || true)
echo "rng-suite: $passed passed, $weak weak, $failed failed (table in $log)"
[ "$failed" -eq 0 ]
