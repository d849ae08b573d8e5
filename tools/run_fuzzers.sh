#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs each briefly from seed
# corpora (valid PAT and PMT sections, channel database files and records,
# the built-in sky, texts); fails on any finding.
#
# A longer run, e.g. an hour per target:
#   FUZZ_SECONDS=3600 tools/run_fuzzers.sh
# or one target by hand, keeping its corpus:
#   build-fuzz/fuzz/fuzz_search_pass build-fuzz/corpus/fuzz_search_pass -max_total_time=3600
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-10}"
targets=(fuzz_parse_pat fuzz_assemble_pmt fuzz_search_pass fuzz_hex_to_int fuzz_profile_edit
  fuzz_record_fields fuzz_sky fuzz_text fuzz_si_tables fuzz_dvb_text fuzz_channel_file
  fuzz_mpe_decap)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DORBIXRX_FUZZ=ON -DORBIXRX_SANITIZE=ON -DORBIXRX_TESTS=OFF -DORBIXRX_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" >/dev/null
cmake --build build-fuzz -j 2 --target "${targets[@]}" fuzz_seeds

rm -rf build-fuzz/seeds
build-fuzz/fuzz/fuzz_seeds build-fuzz/seeds
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/findings/$t"
  echo "== $t (${seconds} s)"
  if ! "build-fuzz/fuzz/$t" "build-fuzz/corpus/$t" "build-fuzz/seeds/$t" \
      -max_total_time="$seconds" -artifact_prefix="build-fuzz/findings/$t/" -print_final_stats=1 \
      2>&1 | tail -n 12; then
    echo "run_fuzzers: $t found a fault; its input is in build-fuzz/findings/$t" >&2
    exit 1
  fi
done
