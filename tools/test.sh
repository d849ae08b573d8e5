#!/usr/bin/env bash
# Installs, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs every test; then the end-to-end scenario under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install_deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORBIXRX_SANITIZE=ON
cmake --build build-test
if [ -x tools/run_fuzzers.sh ]; then bash tools/run_fuzzers.sh; fi
ctest --test-dir build-test --output-on-failure -j 2
# Its own build (build-tsan); fails on any ThreadSanitizer report.
bash tools/tsan_e2e.sh
