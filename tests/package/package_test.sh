#!/usr/bin/env bash
# package_test.sh SOURCE_DIR RELEASE_BUILD_DIR HAS_ORBIXRX(0|1)
# Builds the Debian package from a Release tree, checks its files and
# control fields, and where running as root installs it, runs the installed
# orbixctl probe on the simulated card and removes it again.
set -euo pipefail
src=$1 build=$2 has_gui=${3:-0}
fail() { echo "FAIL: $*" >&2; exit 1; }
started=$SECONDS

# -O2, as Debian builds its packages.
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DORBIXRX_TESTS=OFF -DORBIXRX_BENCH=OFF -DORBIXRX_SANITIZE=OFF -DORBIXRX_FUZZ=OFF >/dev/null
targets=(orbixctl make_conwh orbixrx_manpage)
[ "$has_gui" = 1 ] && targets+=(orbixrx)
cmake --build "$build" -j2 --target "${targets[@]}"
rm -f "$build"/orbixrx_*.deb
(cd "$build" && cpack -G DEB >/dev/null 2>&1) || fail "cpack"
deb=$(ls "$build"/orbixrx_*.deb) || fail "no package written"
echo "built $deb in $((SECONDS - started)) s"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(./usr/bin/orbixctl ./usr/share/applications/orbixrx.desktop
  ./usr/share/man/man1/orbixctl.1.gz)
for size in 16 32 48 64 128 256; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/orbixrx.png")
done
[ "$has_gui" = 1 ] && expected+=(./usr/bin/orbixrx)
for path in "${expected[@]}"; do
  grep -qxF "$path" <<<"$contents" || fail "$path missing from the package: $contents"
done
# Nothing of the build's own (tools, tests, libraries) is shipped.
extra=$(grep -vxF -f <(printf '%s\n' "${expected[@]}") <<<"$contents" | grep -v '/$' || true)
[ -z "$extra" ] || fail "unexpected files in the package: $extra"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = orbixrx ] || fail "package name: $(field Package)"
depends=$(field Depends)
# The package names in Depends, without versions.
depends_names=$(tr ',' '\n' <<<"$depends" | awk '{print $1}')
needed=(libc6 libstdc++6 fonts-wqy-microhei fonts-liberation2)
[ "$has_gui" = 1 ] && needed+=(libqt6widgets6 qt6-qpa-plugins)
for dep in "${needed[@]}"; do
  grep -qxF "$dep" <<<"$depends_names" || fail "Depends lacks $dep: $depends"
done
# The player, ffmpeg for the simulated card's pictures and sound, the scan
# tables for the import.
recommends_names=$(field Recommends | tr ',' '\n' | awk '{print $1}')
for rec in vlc ffmpeg dtv-scan-tables; do
  grep -qxF "$rec" <<<"$recommends_names" || fail "Recommends lacks $rec: $(field Recommends)"
done
dpkg-deb -I "$deb" >/dev/null || fail "control archive unreadable"

if [ "$(id -u)" != 0 ]; then
  echo "not root: the package is not installed; contents checked"
  exit 0
fi
if dpkg-query -W -f='${Status}' orbixrx 2>/dev/null | grep -q "install ok installed"; then
  echo "orbixrx is already installed on this machine: left alone; contents checked"
  exit 0
fi
work=$(mktemp -d)
cleanup() {
  dpkg -r orbixrx >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
dpkg -i "$deb" >"$work/dpkg.log" 2>&1 || fail "dpkg -i: $(cat "$work/dpkg.log")"
[ -x /usr/bin/orbixctl ] || fail "/usr/bin/orbixctl not installed"
mkdir "$work/run" "$work/lock"
"$build/tools/make_conwh" "$work/run/conwh.ocx" || fail "make_conwh"
out=$(cd "$work/run" && env -u ORBIXRX_CARD -u ORBIXRX_SKY ORBIXRX_LOCK_DIR="$work/lock" \
  /usr/bin/orbixctl probe 2>&1) || fail "installed orbixctl probe: $out"
grep -q "card ready" <<<"$out" || fail "installed orbixctl probe is not ready: $out"
dpkg -r orbixrx >"$work/dpkg.log" 2>&1 || fail "dpkg -r: $(cat "$work/dpkg.log")"
[ ! -e /usr/bin/orbixctl ] || fail "/usr/bin/orbixctl left after removal"
echo "package: built, checked, installed, probed and removed in $((SECONDS - started)) s"
