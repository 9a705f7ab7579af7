#!/usr/bin/env bash
# Redraws docs/screenshot.png, docs/screenshot-holdem.png, docs/screenshot-shuffle.png and
# docs/screenshot-biasmap.png from the built program's windows, under a virtual X server.
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
if command -v icewm >/dev/null 2>&1; then
  exec "$root/scripts/with-icewm.sh" "$tool" "$root/docs"
fi
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1024x768x24" "$tool" "$root/docs"
