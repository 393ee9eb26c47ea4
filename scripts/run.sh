#!/usr/bin/env bash
# Installs what is missing, builds KELPRIS and starts it on the bundled house
# (data/dom.dat is loaded from the working directory). Extra arguments go to
# the viewer, e.g. scripts/run.sh data/samples/bunny.dat
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELPRIS_TESTS=OFF -DKELPRIS_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target kelpris
root=$PWD
args=()
for a in "$@"; do
  if [ -e "$a" ]; then args+=("$(realpath "$a")"); else args+=("$a"); fi
done
cd data
exec "$root/build/src/app/kelpris" "${args[@]}"
