#!/usr/bin/env bash
# The end-to-end scenario in a ThreadSanitizer build: configures build-tsan,
# builds only the end-to-end test program, runs it on a private X server.
# Any report fails the run. tools/tsan.supp holds the suppressions, for
# reports inside Qt and system libraries only.
# Usage: tools/tsan_e2e.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-tsan}
start=$(date +%s)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORBIXRX_SANITIZE_THREAD=ON \
  -DORBIXRX_BENCH=OFF -DORBIXRX_FUZZ=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target receiver_e2e_test
built=$(date +%s)
export TSAN_OPTIONS="suppressions=$root/tools/tsan.supp halt_on_error=0 exitcode=66 second_deadlock_stack=1 die_after_fork=0 ${TSAN_OPTIONS:-}"
# ThreadSanitizer runs the program several times slower: the steps wait longer.
export ORBIXRX_E2E_SLOWDOWN=${ORBIXRX_E2E_SLOWDOWN:-4}
status=0
bash "$root/tests/e2e/run_e2e.sh" "$build/tests/e2e/receiver_e2e_test" || status=$?
end=$(date +%s)
echo "tsan_e2e: build $((built - start)) s, run $((end - built)) s, exit $status"
exit "$status"
