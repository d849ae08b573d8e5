#!/usr/bin/env bash
# Installs, builds and starts OrbixRx on the simulated card, in a working
# directory (run/) that holds a valid configuration image.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install_deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBIXRX_TESTS=OFF -DORBIXRX_BENCH=OFF
cmake --build build
mkdir -p run
[ -f run/conwh.ocx ] || ./build/tools/make_conwh run/conwh.ocx
cd run
exec ../build/app/orbixctl probe
