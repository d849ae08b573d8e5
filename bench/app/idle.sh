#!/usr/bin/env bash
# Idle cost of orbixrx with the main window shown and locked: CPU % of one
# core and resident MB over SECONDS (default 60), under a private Xvfb.
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
DISPLAY=:93 XDG_RUNTIME_DIR=$dir ORBIXRX_STREAM_PORT=18799 "$build/app/orbixrx" 2>/dev/null & rx=$!
sleep 5  # locked and settled
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$rx/stat"; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
rss=$(awk '/VmRSS/ {print $2}' "/proc/$rx/status")
awk -v d=$((after - before)) -v t="$ticks" -v s="$seconds" -v r="$rss" \
  'BEGIN { printf "idle over %d s: CPU %.2f %% of one core, resident %.1f MB\n", s, 100 * d / t / s, r / 1024 }'
