#!/usr/bin/env bash
# orbixctl doctor in a network namespace of its own: a veth pair stands in
# for the card's interface and the simulated card streams out through it.
# Each check fails while its cause is made and passes once it is mended; the
# namespace holds nothing but the loopback and the pair, so nothing leaves.
if [ -z "${ORBIXRX_DOCTOR_NETNS:-}" ]; then
  if ! unshare -n true 2>/dev/null; then
    echo "SKIP: no network namespace can be made here (unshare -n needs root)"
    exit 77
  fi
  for tool in ip nft sysctl iconv; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  ORBIXRX_DOCTOR_NETNS=1 exec unshare -n bash "$0" "$@"
fi
source "$(dirname "${BASH_SOURCE[0]}")/../support/ctl_scratch.sh"
export ORBIXRX_STREAM_PORT=8511 ORBIXRX_CARD=simulated

ip link set lo up
ip link add orbix0 type veth peer name orbix1
ip addr add 10.99.0.1/24 brd + dev orbix0
ip link set orbix1 up
ip link set orbix0 up
[ "$(ip -o link | wc -l)" -eq 3 ] || fail "the namespace holds more than lo and the pair"
sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.orbix0.rp_filter=2

"$make_conwh" conwh.ocx || fail "make_conwh"
database() {
  printf '[Main]\r\nNUM=%s\r\nSAT1=Sat-Ku\r\n[Sat-Ku]\r\nNUMTP=1\r\nTP1=12622V|12622.0|27500|垂直|10600|3/4|开|Ku|开|\r\n[Stream]\r\nInterface=orbix0\r\n' "$1" |
    iconv -f UTF-8 -t GBK >SATSETUPL.ini
}
database 1

# The checks that fail, by name, in output order; exit status 1 with any.
failing() {
  local out rc=0
  out=$("$ctl" doctor 2>&1) || rc=$?
  [ "$(grep -c . <<<"$out")" -eq 8 ] || fail "not one line per check: $out"
  local names
  names=$(awk '$1 == "fail" { print $2 }' <<<"$out" | paste -sd' ')
  if [ -n "$names" ]; then [ "$rc" -eq 1 ] || fail "failing checks ($names) but status $rc: $out"
  else [ "$rc" -eq 0 ] || fail "no failing check but status $rc: $out"; fi
  echo "$names"
}

[ "$(failing)" = "" ] || fail "a mended setup fails: $("$ctl" doctor)"
"$ctl" doctor | grep -q "^ok *interface *orbix0 (from settings) is up, 10.99.0.1/24" ||
  fail "interface line: $("$ctl" doctor)"

# The simulated card's stream goes out through orbix0; the search, bound to
# it, receives it.
out=$("$ctl" scan Sat-Ku 12622V 2>&1) || fail "scan through orbix0 failed: $out"
grep -q "^10 programs" <<<"$out" || fail "not ten programs through orbix0: $out"
database 1

# A firewall as Debian's nftables.conf lays it out, dropping the stream.
drop_stream() {
  nft add table inet filter &&
    nft add chain inet filter input '{ type filter hook input priority 0; }' &&
    nft add rule inet filter input udp dport 8511 drop
}

# cause | mend ("fix": run the fix the doctor prints, without sudo) | the
# checks that fail meanwhile
cases=(
  "ip link set orbix0 down|fix|interface broadcast"
  "sysctl -qw net.ipv4.conf.orbix0.rp_filter=1|fix|rp_filter"
  "sysctl -qw net.ipv4.conf.all.rp_filter=1 net.ipv4.conf.orbix0.rp_filter=0|fix|rp_filter"
  "drop_stream|fix|broadcast"
  "mv conwh.ocx image|mv image conwh.ocx|conwh.ocx"
  "database 2|database 1|SATSETUPL.ini"
)
for c in "${cases[@]}"; do
  IFS='|' read -r cause mend expected <<<"$c"
  eval "$cause" || fail "cannot make: $cause"
  got=$(failing)
  [ "$got" = "$expected" ] || fail "after '$cause' failing '$got', not '$expected': $("$ctl" doctor)"
  if [ "$mend" = fix ]; then
    mend=$("$ctl" doctor | grep -m1 "^fail" | sed -n 's/.*  fix: sudo //p')
    [ -n "$mend" ] || fail "no fix printed for $expected"
  fi
  eval "$mend" >/dev/null || fail "cannot mend: $mend"
  got=$(failing)
  [ -z "$got" ] || fail "after '$mend' still failing: $got"
done
echo "orbixctl doctor: all cases passed"
