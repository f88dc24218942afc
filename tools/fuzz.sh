#!/usr/bin/env bash
# Builds the PNG decoder fuzzer with clang (libFuzzer, AddressSanitizer, UBSan)
# into build-fuzz/ and runs it for the given number of seconds (default 60) on a
# copy of the seed corpus. Crashes are written to build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash tools/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVPCOUNTER_CORE_ONLY=ON -DVPCOUNTER_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target png_read_fuzzer
mkdir -p build-fuzz/corpus build-fuzz/crashes
cp -n tests/fuzz/corpus/* build-fuzz/corpus/ 2>/dev/null || true
build-fuzz/png_read_fuzzer build-fuzz/corpus -max_total_time="$seconds" -rss_limit_mb=2048 \
  -timeout=10 -artifact_prefix=build-fuzz/crashes/ -print_final_stats=1 2>&1 | tail -n 15
