#!/usr/bin/env bash
# orbixctl scan end to end on the simulated card: a transponder of the
# default sky locks and its programs are stored and printed; one that cannot
# lock, or that the database lacks, ends non-zero with the program's message.
source "$(dirname "${BASH_SOURCE[0]}")/../support/ctl_scratch.sh"

"$make_conwh" conwh.ocx || fail "make_conwh"
printf '[Main]\r\nNUM=1\r\nSAT1=Sat-Ku\r\n[Sat-Ku]\r\nNUMTP=2\r\nTP1=11052V|11052|27500|垂直|9750|3/4|关|Ku|关|\r\nTP2=Nowhere|11800|27500|垂直|9750|3/4|关|Ku|关|\r\n' |
  iconv -f UTF-8 -t GBK >SATSETUPL.ini

out=$("$ctl" scan Sat-Ku 11052V 2>&1) || fail "scan failed: $out"
grep -q "搜索节目完毕" <<<"$out" || fail "no completion text: $out"
grep -q "^10 programs" <<<"$out" || fail "not ten programs: $out"
grep -qP "^节目9\t节目9\t广播节目\t1009\t00\t290\t291\t290$" <<<"$out" || fail "radio program 9: $out"
iconv -f GBK -t UTF-8 SATSETUPL.ini | grep -q "^NUM=10" || fail "NUM not stored"

out=$("$ctl" scan Sat-Ku Nowhere 2>&1) && fail "scan of a silent transponder passed: $out"
grep -q "请先锁定Nowhere然后再搜索" <<<"$out" || fail "no lock message: $out"
# The same messages in English, and the stored file as it was.
cp SATSETUPL.ini before.ini
out=$(ORBIXRX_LANG=en "$ctl" scan Sat-Ku Nowhere 2>&1) && fail "English scan of a silent transponder passed: $out"
grep -q "Please lock Nowhere first, then search" <<<"$out" || fail "no English lock message: $out"
out=$(ORBIXRX_LANG=en "$ctl" scan Sat-Ku 11052V 2>&1) || fail "English scan failed: $out"
grep -qP "^节目9\t节目9\tRadio\t1009" <<<"$out" || fail "radio program 9 in English: $out"
cmp -s SATSETUPL.ini before.ini || fail "the English scan stored another file"

rc=0
out=$("$ctl" scan Sat-Ku Missing 2>&1) || rc=$?
[ "$rc" -eq 2 ] || fail "scan of an unknown transponder ended with $rc, not 2: $out"
grep -q "no transponder" <<<"$out" || fail "no unknown-transponder message: $out"
echo "orbixctl scan: all cases passed"
