# Sourced by the orbixctl end-to-end scripts: takes the program and the image
# writer from the arguments, works in a fresh directory that also holds the
# single-instance lock, takes a stream port of its own, and gives fail.
set -u
ctl=$1 make_conwh=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
export ORBIXRX_LOCK_DIR=$dir
unset ORBIXRX_SKY ORBIXRX_CARD
# The scripts read the Chinese texts; a script checks English by its own setting.
export ORBIXRX_LANG=zh
# A stream port of this run's own, free when chosen, so that runs in
# parallel do not read each other's stream; a script may set its own after.
ORBIXRX_STREAM_PORT=$(python3 -c 'import socket; s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM); s.bind(("", 0)); print(s.getsockname()[1])' 2>/dev/null) ||
  ORBIXRX_STREAM_PORT=$((20000 + $$ % 20000))
export ORBIXRX_STREAM_PORT
fail() { echo "FAIL: $*"; exit 1; }
