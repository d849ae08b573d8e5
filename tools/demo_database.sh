#!/usr/bin/env bash
# Writes a channel database (GBK, CRLF) holding the satellites and
# transponders of the simulated card's built-in sky, with [Last] and [Lock]
# on the strong Sat-Ku 12622V so that the program locks at once.
set -euo pipefail
out=$1
v=$'\xb4\xb9\xd6\xb1'   # 垂直
h=$'\xcb\xae\xc6\xbd'   # 水平
on=$'\xbf\xaa'          # 开
off=$'\xb9\xd8'         # 关
tp() {  # name MHz pol kS/s LO FEC 22K band
  printf '%s|%s.0|%s|%s|%s|%s|%s|%s|%s|' "$1" "$2" "$4" "$3" "$5" "$6" "$off" "$8" "$7"
}
{
  printf '[Main]\r\nNUM=2\r\nSAT1=Sat-Ku\r\nSAT2=Sat-C\r\n'
  printf '[Sat-Ku]\r\nNUMTP=5\r\n'
  printf 'TP1=%s\r\n' "$(tp 11052V 11052 "$v" 27500 9750 3/4 "$off" Ku)"
  printf 'TP2=%s\r\n' "$(tp 11471H 11471 "$h" 22000 9750 2/3 "$off" Ku)"
  printf 'TP3=%s\r\n' "$(tp 12010V 12010 "$v" 22000 10600 5/6 "$on" Ku)"
  printf 'TP4=%s\r\n' "$(tp 12380H 12380 "$h" 5000 10600 1/2 "$on" Ku)"
  printf 'TP5=%s\r\n' "$(tp 12622V 12622 "$v" 27500 10600 3/4 "$on" Ku)"
  printf '[Sat-C]\r\nNUMTP=1\r\n'
  printf 'TP1=%s\r\n' "$(tp 3840H 3840 "$h" 27500 5150 3/4 "$off" C)"
  printf '[Last]\r\nSat-Ku=12622V\r\n[Lock]\r\nSat-Ku=12622V\r\n'
} >"$out"
