#!/usr/bin/env bash
# Builds the core library and its tests with AddressSanitizer and UBSan into
# build-asan/ and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "${VPCOUNTER_SKIP_DEPS:-0}" = 1 ] || bash tools/install-deps.sh  # VPCOUNTER_SKIP_DEPS=1 skips it
cmake -S . -B build-asan -DVPCOUNTER_CORE_ONLY=ON -DVPCOUNTER_SANITIZE=ON \
  -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-asan -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
