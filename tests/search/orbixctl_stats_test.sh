#!/usr/bin/env bash
# orbixctl stats and watch end to end on the simulated card, with the sky's
# stream faults: a no-data window brings the warning line and ends it when
# data returns; packet loss shows as continuity-counter errors.
source "$(dirname "${BASH_SOURCE[0]}")/../support/ctl_scratch.sh"

"$make_conwh" conwh.ocx || fail "make_conwh"
V=$'\xb4\xb9\xd6\xb1' ON=$'\xbf\xaa'
{
  printf '[Main]\r\nNUM=1\r\nSAT1=Sat-Ku\r\n[Sat-Ku]\r\nNUMTP=2\r\n'
  printf 'TP1=12622V|12622.0|27500|%s|10600|3/4|%s|Ku|%s|\r\n' "$V" "$ON" "$ON"
  printf 'TP2=Nothing|11300.0|27500|%s|10600|3/4|%s|Ku|%s|\r\n' "$V" "$ON" "$ON"
} > SATSETUPL.ini
printf 'satellite Sat-Ku ku\ntransponder 12622V 12622 V 27500 3/4 level=-30 cn=13 stream=news10\n' > clean.sky
cp clean.sky faults.sky
printf 'no-data 3 7\ncc-errors 0 20\n' >> faults.sky

# The last block of a stats run: from its last header line on.
last_block() { awk '/^PID /{block=""} {block=block $0 "\n"} END{printf "%s", block}' "$1"; }
cc_sum() { awk '/^0x/{s+=$5} END{print s+0}'; }

ORBIXRX_SKY=clean.sky "$ctl" stats Sat-Ku 12622V --seconds 2 --pids 0,210,1001 > clean.txt 2>&1 ||
  fail "clean stats: $(cat clean.txt)"
block=$(last_block clean.txt)
grep -q '^0x0210 ' <<<"$block" || fail "no row of 0x0210: $block"
[ "$(cc_sum <<<"$block")" -eq 0 ] || fail "errors on a clean stream: $block"
grep -q '警告' clean.txt && fail "warning on a clean stream: $(cat clean.txt)"
grep -Eq '^datagrams/s [1-9]' <<<"$block" || fail "no datagram rate: $block"

ORBIXRX_SKY=faults.sky "$ctl" stats Sat-Ku 12622V --seconds 14 --pids 0,210,211,1001 > faults.txt 2>&1 ||
  fail "stats with faults: $(cat faults.txt)"
grep -q '^警告：信号已锁定，但5秒没有收到数据' faults.txt || fail "no no-data warning: $(cat faults.txt)"
grep -q 'orbixctl doctor' faults.txt || fail "warning without its advice"
block=$(last_block faults.txt)
grep -q '警告' <<<"$block" && fail "warning outlived the no-data window: $block"
errors=$(cc_sum <<<"$block")
[ "$errors" -ge 20 ] || fail "only $errors continuity errors: $block"

out=$("$ctl" stats Sat-Ku 12622V --pids 2000 2>&1); [ $? -eq 2 ] || fail "bad PID accepted: $out"
out=$("$ctl" stats Sat-Ku 12622V --seconds x 2>&1); [ $? -eq 2 ] || fail "bad seconds accepted"
out=$("$ctl" stats Sat-Ku Nowhere 2>&1); [ $? -eq 2 ] || fail "missing record accepted"
out=$("$ctl" stats Sat-Ku Nothing --seconds 1 2>&1) && fail "stats without lock succeeded: $out"

ORBIXRX_SKY=clean.sky "$ctl" watch Sat-Ku 12622V --seconds 2 --bell > watch.txt 2>&1 ||
  fail "watch did not end locked: $(cat watch.txt)"
lines=$(grep -c '^.\?level \[' watch.txt)
[ "$lines" -ge 10 ] || fail "only $lines meter lines: $(cat watch.txt)"
grep -q 'level \[################....\]  80 %.*peak 80/87  locked' watch.txt || fail "$(tail -1 watch.txt)"
[ "$(grep -c $'\a' watch.txt)" -ge 1 ] || fail "no bell when the peak rose"
[ "$(tail -1 watch.txt | grep -c $'\a')" -eq 0 ] || fail "bell without a new peak"
out=$("$ctl" watch Sat-Ku Nothing --seconds 1 2>&1) && fail "watch without lock ended 0"
out=$("$ctl" watch Sat-Ku 12622V --pids 0 2>&1); [ $? -eq 2 ] || fail "watch took --pids"
echo "orbixctl stats and watch: all cases passed"
