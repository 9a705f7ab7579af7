#!/usr/bin/env bash
# Runs a command on a virtual X server of its own, with icewm as window manager, and returns the
# command's status. Usage: scripts/with-icewm.sh COMMAND [ARGUMENT...]
# Exits 77 (the tests' "skipped" status) when xvfb-run or icewm is missing.
# The command sees QT_QPA_PLATFORM=xcb. xvfb-run -a picks a free display, so that several runs
# can go on side by side.
set -euo pipefail
if [ $# -eq 0 ]; then
  echo "usage: with-icewm.sh COMMAND [ARGUMENT...]" >&2
  exit 2
fi
for tool in xvfb-run icewm xprop; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "with-icewm: $tool is missing (scripts/install-deps.sh installs it); skipped" >&2
    exit 77
  fi
done

export QT_QPA_PLATFORM=xcb
exec xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  # A private configuration folder, so that a user theme or preferences cannot change the frames.
  home=$(mktemp -d)
  trap "rm -rf \"\$home\"" EXIT
  HOME=$home icewm >/dev/null 2>&1 &
  wm=$!
  # The window manager announces itself on the root window once it manages new windows.
  ready=
  for _ in $(seq 200); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; then
      ready=1
      break
    fi
    if ! kill -0 "$wm" 2>/dev/null; then break; fi
    sleep 0.05
  done
  if [ -z "$ready" ]; then
    echo "with-icewm: icewm did not start" >&2
    kill "$wm" 2>/dev/null || true
    exit 1
  fi
  status=0
  "$@" || status=$?
  kill "$wm" 2>/dev/null || true
  wait "$wm" 2>/dev/null || true
  exit $status
' with-icewm "$@"
