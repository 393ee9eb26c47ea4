#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for a share of a bounded time
# on a copy of its seed corpus: the scene-file loader (corpus/), the reader
# of the importer's model stream with the checks on a file's first bytes
# (mesh_corpus/), and the STL, PLY and OFF readers (reader_corpus/: the
# first byte picks the reader, bit 3 set for OFF, else odd for PLY). Fails
# on any crash or broken invariant.
#
# Usage: tests/fuzz/run_fuzz.sh [seconds=60] [build-dir=build-fuzz]
#   The seconds are split evenly between the fuzzers.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${2:-$root/build-fuzz}"
fuzzers=(scene_load_fuzzer:corpus mesh_stream_fuzzer:mesh_corpus mesh_reader_fuzzer:reader_corpus)
share=$(( seconds / ${#fuzzers[@]} ))
if [ "$share" -lt 1 ]; then
  share=1
fi

cmake -S "$root" -B "$build" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ \
  -DKELPRIS_GUI=OFF -DKELPRIS_TESTS=OFF -DKELPRIS_BENCH=OFF -DKELPRIS_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target scene_load_fuzzer mesh_stream_fuzzer mesh_reader_fuzzer

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for entry in "${fuzzers[@]}"; do
  fuzzer="${entry%%:*}"
  corpus="${entry#*:}"
  mkdir -p "$work/$fuzzer/artifacts"
  cp -r "$root/tests/fuzz/$corpus" "$work/$fuzzer/corpus"
  # -max_len keeps inputs small enough to explore the format rather than bulk.
  "$build/tests/fuzz/$fuzzer" "$work/$fuzzer/corpus" \
    -max_total_time="$share" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/$fuzzer/artifacts/" -print_final_stats=1

  if compgen -G "$work/$fuzzer/artifacts/*" >/dev/null; then
    echo "$fuzzer left crash artifacts:" >&2
    ls -l "$work/$fuzzer/artifacts" >&2
    exit 1
  fi
done
