#!/usr/bin/env bash
# Idle cost of orbixrx with its three windows shown and locked: CPU % of one
# core and resident MB over SECONDS (default 60), under a private Xvfb. The
# children are shown as a user would, with clicks on buttons 6 and 7; with
# MAIN_ONLY=1 the main window stays alone; with METER=1 the aiming meter is
# opened too, from the face's context menu (its third item), so that its
# cost is the difference from a run without it.
# Usage: bench/app/idle.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=$(realpath "$1") seconds=${2:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
dir=$(mktemp -d)
cleanup() { kill "$rx" "$xvfb" 2>/dev/null || true; rm -rf "$dir"; }
trap cleanup EXIT
cd "$dir"
"$build/tools/make_conwh" conwh.ocx
bash "$root/tools/demo_database.sh" SATSETUPL.ini
Xvfb :93 -screen 0 1024x768x24 >/dev/null 2>&1 & xvfb=$!
sleep 1
chmod 700 "$dir"
DISPLAY=:93 XDG_RUNTIME_DIR=$dir ORBIXRX_LOCK_DIR=$dir ORBIXRX_STREAM_PORT=18799 "$build/app/orbixrx" 2>/dev/null & rx=$!
sleep 5  # locked and settled
if [ "${MAIN_ONLY:-0}" != 1 ]; then
  export DISPLAY=:93
  win=$(xdotool search --onlyvisible --name '^OrbixRx$' | head -1)
  eval "$(xdotool getwindowgeometry --shell "$win")"
  for button in 161 121; do  # 参数设置, 显示节目列表
    xdotool mousemove $((X + button + 18)) $((Y + 107)) click 1
    sleep 0.5
  done
  sleep 2
fi
if [ "${METER:-0}" = 1 ]; then
  export DISPLAY=:93
  win=$(xdotool search --onlyvisible --name '^OrbixRx$' | head -1)
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + 40)) $((Y + 60)) click 3
  sleep 0.5
  xdotool key Down Down Down Return
  sleep 2
fi
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$rx/stat"; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$rx/status")
windows=$([ "${MAIN_ONLY:-0}" = 1 ] && echo "main window" || echo "three windows")
[ "${METER:-0}" = 1 ] && windows="$windows and the meter"
awk -v w="$windows" -v d=$((after - before)) -v t="$ticks" -v s="$seconds" -v r="$rss" \
  'BEGIN { printf "idle over %d s (" w "): CPU %.2f %% of one core, resident %.1f MB\n", s, 100 * d / t / s, r / 1024 }'
