#!/usr/bin/env bash
# orbixctl probe end to end on the simulated card: a working directory with a
# valid image comes up; without one the program's message is printed and the
# exit status is non-zero; a second instance is refused.
source "$(dirname "${BASH_SOURCE[0]}")/../support/ctl_scratch.sh"

out=$("$ctl" probe 2>&1) && fail "probe passed without conwh.ocx: $out"
grep -q "读取配置文件出错!" <<<"$out" || fail "no image message: $out"
grep -q "本软件与当前硬件版本不匹配" <<<"$out" || fail "no mismatch message: $out"

"$make_conwh" conwh.ocx || fail "make_conwh"
out=$("$ctl" probe 2>&1) || fail "probe failed with a valid image: $out"
grep -q "card ready" <<<"$out" || fail "not ready: $out"

exec 9>"$dir/orbixrx.lock"
flock 9
out=$("$ctl" probe 2>&1) && fail "second instance started: $out"
grep -q "程序已经加载!" <<<"$out" || fail "no second-instance message: $out"

out=$("$ctl" --help) || fail "--help did not end well"
grep -q "exit status" <<<"$out" || fail "--help does not give the exit codes: $out"

out=$(ORBIXRX_CARD=bogus "$ctl" probe 2>&1) && fail "unknown back end accepted"
grep -q "ORBIXRX_CARD=bogus" <<<"$out" || fail "no back-end message: $out"
echo "orbixctl probe: all cases passed"
