#!/usr/bin/env bash
# Builds the scene-loader fuzzer with clang and runs it for a bounded time on
# a copy of the seed corpus. Fails on any crash or broken invariant.
#
# Usage: tests/fuzz/run_fuzz.sh [seconds=60] [build-dir=build-fuzz]
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${2:-$root/build-fuzz}"

cmake -S "$root" -B "$build" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DKELPRIS_GUI=OFF -DKELPRIS_TESTS=OFF -DKELPRIS_BENCH=OFF -DKELPRIS_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target scene_load_fuzzer

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp -r "$root/tests/fuzz/corpus" "$work/corpus"
mkdir -p "$work/artifacts"

# -max_len keeps inputs small enough to explore the format rather than bulk.
"$build/tests/fuzz/scene_load_fuzzer" "$work/corpus" \
  -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1

if compgen -G "$work/artifacts/*" >/dev/null; then
  echo "fuzzer left crash artifacts:" >&2
  ls -l "$work/artifacts" >&2
  exit 1
fi
