#!/usr/bin/env bash
# Service names and network scan end to end on the simulated card: with the
# option off the stored file is what a plain scan stores; --names sdt names
# programs from the SDT (generated multiplex and an ffmpeg-made stream);
# scan-network adds the other transponders of Sat-Ku, which then lock.
source "$(dirname "${BASH_SOURCE[0]}")/../support/ctl_scratch.sh"

"$make_conwh" conwh.ocx || fail "make_conwh"
only_12622() {
  printf '[Main]\r\nNUM=1\r\nSAT1=Sat-Ku\r\n[Sat-Ku]\r\nNUMTP=1\r\nTP1=12622V|12622.0|27500|垂直|10600|3/4|关|Ku|开|\r\n' |
    iconv -f UTF-8 -t GBK >SATSETUPL.ini
}

only_12622
"$ctl" scan Sat-Ku 12622V >/dev/null 2>&1 || fail "plain scan failed"
cp SATSETUPL.ini plain.ini
only_12622
"$ctl" scan Sat-Ku 12622V --names pat >/dev/null 2>&1 || fail "scan --names pat failed"
cmp -s plain.ini SATSETUPL.ini || fail "scan with the option off stored another file"

out=$("$ctl" scan Sat-Ku 12622V --names sdt 2>&1) || fail "scan --names sdt failed: $out"
grep -qP "^节目1\t新闻1\t电视节目\t1001\t" <<<"$out" || fail "no Chinese name: $out"
grep -qP "^节目4\tTélé 4\t电视节目\t1004\t" <<<"$out" || fail "no Latin name: $out"
iconv -f GBK -t UTF-8 SATSETUPL.ini | grep -q "^节目3=天网传媒|体育3|" || fail "no provider stored"

out=$("$ctl" scan-network Sat-Ku 12622V 2>&1) || fail "scan-network failed: $out"
grep -q "新增4个转发器，已有1个" <<<"$out" || fail "not four added: $out"
for tp in 11052V 11471H 12010V 12380H; do
  "$ctl" tune Sat-Ku $tp --once >/dev/null 2>&1 || fail "added $tp does not lock"
done
out=$("$ctl" scan-network Sat-Ku 12622V 2>&1) || fail "second scan-network failed: $out"
grep -q "新增0个转发器，已有5个" <<<"$out" || fail "second scan added again: $out"

if command -v ffmpeg >/dev/null; then
  ffmpeg -loglevel error -f lavfi -i testsrc=size=160x120:rate=25 -t 3 -c:v mpeg2video \
    -metadata service_name="凤凰 Ñews" -metadata service_provider="Prov" -f mpegts ff.ts ||
    fail "ffmpeg"
  cat >sky.txt <<SKY
satellite Sat-Ku ku
transponder 12622V 12622 V 27500 3/4 level=-30 cn=13 stream=file:$PWD/ff.ts
SKY
  only_12622
  out=$(ORBIXRX_SKY=$PWD/sky.txt "$ctl" scan Sat-Ku 12622V --names sdt 2>&1) || fail "ffmpeg scan: $out"
  # UTF-8 with the selector; Ñ has no GBK character and shows as "?".
  grep -qP "^节目1\t凤凰 \?ews\t电视节目\t" <<<"$out" || fail "no UTF-8 name from ffmpeg's SDT: $out"
  out=$(ORBIXRX_SKY=$PWD/sky.txt "$ctl" scan-network Sat-Ku 12622V 2>&1) && fail "a stream without NIT passed: $out"
  grep -q "没有收到网络信息表" <<<"$out" || fail "no NIT message: $out"
fi
echo "orbixctl names and network: all cases passed"
