#!/usr/bin/env bash
# Installs, builds with AddressSanitizer and UndefinedBehaviorSanitizer, builds
# the Release tree (-O3, as users and packagers build it) with the tests, runs
# the fuzzers and the end-to-end scenario under ThreadSanitizer (its own
# build, build-tsan; any report fails it), then every test, so that the test
# summary closes the output. Warnings are errors in the trees built here.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install_deps.sh
python3 tools/check_translations.py  # every Chinese text has its English
# Every source file is formatted as .clang-format says; "cmake --build build
# --target format" mends it.
{ git ls-files -z -- '*.h' '*.cpp' 2>/dev/null ||
  find . -path './build*' -prune -o \( -name '*.h' -o -name '*.cpp' \) -print0; } |
  xargs -0 clang-format --dry-run -Werror
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORBIXRX_SANITIZE=ON -DORBIXRX_WERROR=ON
cmake --build build-test
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DORBIXRX_WERROR=ON
cmake --build build-release
if [ -x tools/run_fuzzers.sh ]; then bash tools/run_fuzzers.sh; fi
bash tools/tsan_e2e.sh
ctest --test-dir build-test --output-on-failure -j 2
