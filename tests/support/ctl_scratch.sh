# Sourced by the orbixctl end-to-end scripts: takes the program and the image
# writer from the arguments, works in a fresh directory that also holds the
# single-instance lock, and gives fail.
set -u
ctl=$1 make_conwh=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
export ORBIXRX_LOCK_DIR=$dir
unset ORBIXRX_SKY ORBIXRX_CARD
fail() { echo "FAIL: $*"; exit 1; }
