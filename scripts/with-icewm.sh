#!/usr/bin/env bash
# Runs a command on a virtual X server of its own, with icewm as window manager, and returns the
# command's status. Usage: scripts/with-icewm.sh COMMAND [ARGUMENT...]
# Exits 77 (the tests' "skipped" status) when Xvfb or icewm is missing.
# The command sees DISPLAY and QT_QPA_PLATFORM=xcb. The X server picks a free display itself
# (-displayfd), so that several runs can go on side by side without racing for one.
set -euo pipefail
if [ $# -eq 0 ]; then
  echo "usage: with-icewm.sh COMMAND [ARGUMENT...]" >&2
  exit 2
fi
for tool in Xvfb icewm xprop; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "with-icewm: $tool is missing (scripts/install-deps.sh installs it); skipped" >&2
    exit 77
  fi
done

work=$(mktemp -d)
xvfb=
wm=
cleanup() {
  if [ -n "$wm" ]; then kill "$wm" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Waits, for at most thirty seconds, until "$@" succeeds or process $pid has ended.
wait_for() {
  local pid=$1
  shift
  for _ in $(seq 600); do
    if "$@"; then return 0; fi
    if ! kill -0 "$pid" 2>/dev/null; then return 1; fi
    sleep 0.05
  done
  return 1
}

stop_servers() {
  if [ -n "$wm" ]; then kill "$wm" 2>/dev/null || true; fi
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  wm=
  xvfb=
}

wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }

# Starts a server and the window manager on it. The server writes its display number once it
# accepts connections. A configuration folder of its own keeps a user's theme or preferences
# from changing the frames; the window manager announces itself on the root window once it
# manages new windows.
start_servers() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  if ! wait_for "$xvfb" test -s "$work/display"; then
    echo "with-icewm: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
  mkdir -p "$work/home"
  HOME=$work/home icewm >/dev/null 2>&1 &
  wm=$!
  if ! wait_for "$wm" wm_ready; then
    echo "with-icewm: icewm did not start on $DISPLAY" >&2
    return 1
  fi
}

# On a busy machine a start can fail; a fresh server gets two more tries.
started=
for attempt in 1 2 3; do
  if start_servers; then
    started=1
    break
  fi
  stop_servers
done
if [ -z "$started" ]; then exit 1; fi

export QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
exit $status
