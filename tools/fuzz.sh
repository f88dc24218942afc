#!/usr/bin/env bash
# Builds the fuzzers with clang (libFuzzer, AddressSanitizer, UBSan) into
# build-fuzz/ and runs each for the given number of seconds (default 60) on a
# copy of its seed corpus: the PNG decoder, the registry-file reader, Wine's
# system.reg and Steam's library list, the history through the statistics and
# the greeting, and archive extraction with the voice decoder library. The
# sanitizers halt on the first error; findings go to build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ "${VPCOUNTER_SKIP_DEPS:-0}" = 1 ] || bash tools/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVPCOUNTER_CORE_ONLY=ON -DVPCOUNTER_FUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target png_read_fuzzer reg_file_fuzzer wine_registry_fuzzer history_fuzzer \
  archive_fuzzer
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p build-fuzz/crashes
out="$PWD/build-fuzz"  # absolute: a target may work in a folder of its own
run() {
  local target=$1 seeds=$2
  mkdir -p "$out/corpus-$target"
  cp -n "$seeds"/* "$out/corpus-$target/" 2>/dev/null || true
  echo "== $target, $seconds s"
  "$out/$target" "$out/corpus-$target" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -timeout=10 -artifact_prefix="$out/crashes/" -print_final_stats=1 >"$out/$target.log" 2>&1 ||
    { tail -n 40 "$out/$target.log"; exit 1; }
  tail -n 12 "$out/$target.log"
}
run png_read_fuzzer tests/fuzz/corpus
run reg_file_fuzzer tests/fuzz/reg_corpus
run wine_registry_fuzzer tests/fuzz/wine_corpus
run history_fuzzer tests/fuzz/history_corpus
run archive_fuzzer tests/fuzz/archive_corpus
