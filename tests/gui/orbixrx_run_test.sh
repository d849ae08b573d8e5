#!/usr/bin/env bash
# orbixrx end to end without a screen: a failed bring-up and a second
# instance tell why on standard error and end with a non-zero status; a
# running one ends cleanly on SIGTERM.
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

# A running program asked to end by a signal ends through its shutdown: the
# instance lock is free again and the status is 0.
"$rx" >rx.log 2>&1 &
pid=$!
# The signal handler is in place before the lock is taken. The lock is
# looked for in /proc/locks: trying it here could make the program itself
# find it taken and end as a second instance.
held() {
  [ -e "$dir/orbixrx.lock" ] && grep -q ":$(stat -c %i "$dir/orbixrx.lock") " /proc/locks
}
for _ in $(seq 600); do
  held && break
  sleep 0.1
done
kill -TERM "$pid"
wait "$pid"; status=$?
[ "$status" = 0 ] || fail "SIGTERM ended with status $status: $(cat rx.log)"
flock -n "$dir/orbixrx.lock" true || fail "instance lock still held after SIGTERM"

exec 9>"$dir/orbixrx.lock"
flock 9
out=$(timeout 120 "$rx" 2>&1) && fail "second instance started: $out"
grep -q "程序已经加载!" <<<"$out" || fail "no second-instance message: $out"

# On a screen the second instance's box waits for its OK; SIGTERM, SIGINT and
# SIGHUP still end that process at once, with a non-zero status.
if command -v Xvfb >/dev/null; then
  exec 3>"$dir/display"
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  xvfb=$!
  exec 3>&-
  trap 'kill "$xvfb" 2>/dev/null; rm -rf "$dir"' EXIT
  for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
  [ -s "$dir/display" ] || fail "Xvfb did not start: $(cat "$dir/xvfb.log")"
  for sig in TERM INT HUP; do
    : >box.log
    DISPLAY=":$(head -1 "$dir/display")" QT_QPA_PLATFORM=xcb "$rx" >box.log 2>&1 &
    pid=$!
    for _ in $(seq 300); do grep -q "程序已经加载!" box.log && break; sleep 0.1; done
    grep -q "程序已经加载!" box.log || fail "SIG$sig: no box: $(cat box.log)"
    sleep 0.5  # the box is up and its loop runs
    kill -"$sig" "$pid"
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
      kill -KILL "$pid"
      fail "SIG$sig did not end the second instance's box"
    fi
    wait "$pid"; status=$?
    [ "$status" != 0 ] || fail "SIG$sig ended the second instance with status 0"
  done
else
  echo "orbixrx: no Xvfb, the second instance's box under a signal is not tried"
fi
echo "orbixrx: all cases passed"
