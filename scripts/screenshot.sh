#!/usr/bin/env bash
# Redraws docs/screenshot.png, docs/screenshot-holdem.png, docs/screenshot-shuffle.png and
# docs/screenshot-biasmap.png from the built program's windows, under a virtual X server, and
# docs/screenshot-report.png, the first screen of an evaluation report in headless Chromium.
# Usage: scripts/screenshot.sh [BUILD_FOLDER]
# When icewm is installed it runs as window manager, so that the pictures show the title bars
# (icewm honours a window's request for no minimise or maximise button).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case $build in /*) ;; *) build=$root/$build ;; esac

tool=$build/brevane-screenshot
if [ ! -x "$tool" ]; then
  echo "screenshot: $tool is missing; build with the desktop program enabled (BREVANE_GUI=ON)" >&2
  exit 1
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "screenshot: xvfb-run is missing (Debian package xvfb)" >&2
  exit 1
fi

# The pictures want a window manager for their title bars; install one when we can.
if ! command -v icewm >/dev/null 2>&1 && [ "$(id -u)" -eq 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends icewm >/dev/null ||
    echo "screenshot: icewm could not be installed; the pictures will have no title bars" >&2
fi

mkdir -p "$root/docs"

# The evaluation report of 20,000 naive swaps, as a browser shows its first screen.
browser=$(command -v chromium || command -v chromium-browser || true)
if [ -n "$browser" ]; then
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' EXIT
  SOURCE_DATE_EPOCH=1765000000 "$build/brevane-cli" test --shuffles 20000 --model naive-swap \
    --key 0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20 \
    --format html --output "$scratch/report.html" || [ $? -eq 3 ]
  "$browser" --headless --no-sandbox --disable-gpu --no-first-run \
    --user-data-dir="$scratch/profile" --hide-scrollbars --window-size=1000,760 \
    --screenshot="$root/docs/screenshot-report.png" "file://$scratch/report.html" 2>/dev/null
  rm -rf "$scratch"
  trap - EXIT
else
  echo "screenshot: chromium is missing; docs/screenshot-report.png is left as it was" >&2
fi

if command -v icewm >/dev/null 2>&1; then
  exec "$root/scripts/with-icewm.sh" "$tool" "$root/docs"
fi
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1024x768x24" "$tool" "$root/docs"
