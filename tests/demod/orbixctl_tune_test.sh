#!/usr/bin/env bash
# orbixctl tune end to end on the simulated card: records of the built-in sky
# lock and get their found frequency written back; wrong or bad records do
# not lock; a missing record and a bad sky file are refused with a message;
# a sky file replaces the built-in sky; the running mode reports until
# interrupted.
source "$(dirname "${BASH_SOURCE[0]}")/../support/ctl_scratch.sh"

"$make_conwh" conwh.ocx || fail "make_conwh"
V=$'\xb4\xb9\xd6\xb1' H=$'\xcb\xae\xc6\xbd' OFF=$'\xb9\xd8' ON=$'\xbf\xaa'
{
  printf '[Main]\r\nNUM=2\r\nSAT1=Sat-Ku\r\nSAT2=Sat-C\r\n'
  printf '[Sat-Ku]\r\nNUMTP=4\r\n'
  printf 'TP1=11052V|11051.0|27500|%s|9750|3/4|%s|Ku|%s|\r\n' "$V" "$OFF" "$OFF"
  printf 'TP2=WrongTone|11052.0|27500|%s|9750|3/4|%s|Ku|%s|\r\n' "$V" "$OFF" "$ON"
  printf 'TP3=NoRate|11052.0|0|%s|9750|3/4|%s|Ku|%s|\r\n' "$V" "$OFF" "$OFF"
  printf 'TP4=Custom|11300.0|27500|%s|9750|3/4|%s|Ku|%s|\r\n' "$V" "$OFF" "$OFF"
  printf '[Sat-C]\r\nNUMTP=1\r\nTP1=3840H|3840.0|27500|%s|5150|3/4|%s|C|%s|\r\n' "$H" "$OFF" "$OFF"
} > SATSETUPL.ini

out=$("$ctl" tune Sat-Ku 11052V --once 2>&1) || fail "11052V did not lock: $out"
grep -q "^locked" <<<"$out" || fail "no lock line: $out"
grep -Eq "^TP1=11052V\|(11052\.0|11051\.9)\|27500\|" SATSETUPL.ini || fail "not written back: $(cat SATSETUPL.ini)"

out=$("$ctl" tune Sat-C 3840H --once 2>&1) || fail "3840H did not lock: $out"

for tp in WrongTone NoRate Custom; do
  out=$("$ctl" tune Sat-Ku $tp --once 2>&1) && fail "$tp locked: $out"
  grep -q "^not locked" <<<"$out" || fail "$tp: no state line: $out"
done

out=$("$ctl" tune Sat-Ku Nowhere --once 2>&1)
[ $? -eq 2 ] || fail "missing record not refused: $out"
grep -q 'no transponder "Nowhere"' <<<"$out" || fail "no missing-record message: $out"

out=$("$ctl" tune Sat-Ku 2>&1)
[ $? -eq 2 ] || fail "usage not refused"

printf 'satellite Sat-Ku ku\ntransponder Custom 11300 V 27500 3/4 cn=9\n' > custom.sky
out=$(ORBIXRX_SKY=custom.sky "$ctl" tune Sat-Ku Custom --once 2>&1) || fail "sky file ignored: $out"
out=$(ORBIXRX_SKY=custom.sky "$ctl" tune Sat-Ku 11052V --once 2>&1) && fail "built-in sky still there"

printf 'satellite Sat-Ku ku\ntransponder Custom 11300 X 27500 3/4\n' > bad.sky
out=$(ORBIXRX_SKY=bad.sky "$ctl" tune Sat-Ku Custom --once 2>&1)
[ $? -eq 2 ] || fail "bad sky accepted: $out"
grep -q "bad.sky: line 2: bad polarisation" <<<"$out" || fail "no sky message: $out"

"$ctl" tune Sat-Ku 11052V > running.txt 2>&1 &
pid=$!
# Two reports of the lock, waited for with a generous bound (a report a second).
for _ in $(seq 600); do
  [ "$(grep -c '^locked' running.txt)" -ge 2 ] && break
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
kill -INT $pid
wait $pid || fail "running mode did not end cleanly: $(cat running.txt)"
[ "$(grep -c '^locked' running.txt)" -ge 2 ] || fail "running mode: $(cat running.txt)"
echo "orbixctl tune: all cases passed"
