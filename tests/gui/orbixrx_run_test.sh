#!/usr/bin/env bash
# orbixrx end to end without a screen: a failed bring-up and a second
# instance tell why on standard error and end with a non-zero status.
set -u
rx=$1 make_conwh=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
# A private instance lock: other copies on this machine must not answer.
export XDG_RUNTIME_DIR=$dir QT_QPA_PLATFORM=offscreen ORBIXRX_STREAM_PORT=18733 ORBIXRX_LOCK_DIR=$dir
unset ORBIXRX_SKY ORBIXRX_CARD
fail() { echo "FAIL: $*"; exit 1; }

out=$(timeout 120 "$rx" 2>&1) && fail "started without conwh.ocx: $out"
grep -q "本软件与当前硬件版本不匹配" <<<"$out" || fail "no mismatch message: $out"

"$make_conwh" conwh.ocx || fail "make_conwh"
exec 9>"$dir/orbixrx.lock"
flock 9
out=$(timeout 120 "$rx" 2>&1) && fail "second instance started: $out"
grep -q "程序已经加载!" <<<"$out" || fail "no second-instance message: $out"
echo "orbixrx: all cases passed"
