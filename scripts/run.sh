#!/usr/bin/env bash
# Starts the desktop program, or a short command-line demo when it is not built.
set -euo pipefail
build=${1:-build}
if [ -x "$build/brevane" ]; then
  exec "$build/brevane"
fi
"$build/brevane-cli" --version
"$build/brevane-cli" shuffle 3
