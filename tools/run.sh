#!/usr/bin/env bash
# Installs, builds and starts OrbixRx on the simulated card, in a working
# directory (run/) that holds a valid configuration image and a channel
# database of the built-in sky, locked on its strong 12622V. Without a
# display it runs a short headless demonstration with orbixctl instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install_deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBIXRX_TESTS=OFF -DORBIXRX_BENCH=OFF
cmake --build build
mkdir -p run
[ -f run/conwh.ocx ] || ./build/tools/make_conwh run/conwh.ocx
[ -f run/SATSETUPL.ini ] || bash tools/demo_database.sh run/SATSETUPL.ini
cd run
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the headless demo with orbixctl."
  ../build/app/orbixctl probe
  ../build/app/orbixctl tune Sat-Ku 12622V --once
  exec ../build/app/orbixctl scan Sat-Ku 12622V
fi
# On a desktop the player shows the picture: the full VLC, not only the
# headless parts the tests use.
if ! dpkg-query -W -f='${Status}' vlc 2>/dev/null | grep -q "install ok installed"; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q vlc || echo "VLC could not be installed: playing will not show a picture."
fi
exec ../build/app/orbixrx
