#!/usr/bin/env bash
# Installs what is needed, builds everything into build/ and runs every test,
# then the core cross-built for Windows and its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "${VPCOUNTER_SKIP_DEPS:-0}" = 1 ] || bash tools/install-deps.sh  # VPCOUNTER_SKIP_DEPS=1 skips it
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
VPCOUNTER_SKIP_DEPS=1 bash tools/windows-check.sh
