#!/usr/bin/env bash
# Runs every benchmark of the Release build. Each prints its figures beside a baseline
# measured in the same run.
set -euo pipefail
build=${1:-build}
status=0
for b in "$build"/bench/*Bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_counters_tabular=true || status=1
done
exit $status
