#!/usr/bin/env bash
# Runs an end-to-end test program on a private X server with a system tray:
# Xvfb on a free display, trayer docked on it, then the program with
# QT_QPA_PLATFORM=xcb. Extra arguments go to the program.
# Usage: tests/e2e/run_e2e.sh TEST_PROGRAM [ARGS...]
set -euo pipefail
program=$1
shift
for tool in Xvfb trayer; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (tools/install_deps.sh)" >&2; exit 1; }
done
runtime=$(mktemp -d)
chmod 700 "$runtime"
xvfb='' tray=''
cleanup() {
  [ -n "$tray" ] && kill "$tray" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT
# Xvfb picks a free display and writes its number to the descriptor given.
exec 3>"$runtime/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$runtime/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
for _ in $(seq 100); do
  [ -s "$runtime/display" ] && break
  sleep 0.1
done
[ -s "$runtime/display" ] || { echo "Xvfb did not start" >&2; cat "$runtime/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -1 "$runtime/display")"
trayer --edge bottom --align right --widthtype request --height 24 >"$runtime/trayer.log" 2>&1 &
tray=$!
# The tray is there once it owns the system tray selection.
for _ in $(seq 50); do
  xdotool search --class trayer >/dev/null 2>&1 && break
  sleep 0.1
done
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$runtime
"$program" "$@"
