#!/usr/bin/env bash
# Installs what is missing, builds KELPRIS with its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${KELPRIS_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELPRIS_WERROR=ON -DKELPRIS_TESTS=ON -DKELPRIS_BENCH=ON
cmake --build "$build" -j"$(nproc)"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
