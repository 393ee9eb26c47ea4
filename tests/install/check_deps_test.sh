#!/usr/bin/env bash
# scripts/check-deps.sh on made-up build folders: each names a few system
# files in a compiler dependency file, and the check is run against a given
# package list. It must follow Depends, name the -dev package whose link the
# build needs (not the run-time package the link points to), go by where a
# link leads only when no package owns it, know a file under both names of
# a merged /usr, and refuse files from no package and listed packages that
# are not installed.
set -euo pipefail
check="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-deps.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
arch=$(c++ -print-multiarch)
mkdir -p "$work/local"
: >"$work/local/hand-made.h"

failures=0
# expect PACKAGES VERDICT FILE...: VERDICT is "pass", or a word the failure
# must name.
expect() {
  local packages=$1 verdict=$2 build="$work/build$RANDOM"
  shift 2
  mkdir -p "$build/CMakeFiles/t.dir"
  echo "CMAKE_CXX_COMPILER:FILEPATH=/usr/bin/c++" >"$build/CMakeCache.txt"
  : >"$build/CMakeFiles/Makefile.cmake"
  echo "t.o: $*" >"$build/CMakeFiles/t.dir/t.cpp.o.d"
  local out status=0
  out=$(KELPRIS_DEPS_PACKAGES="$packages" "$check" "$build" 2>&1) || status=$?
  if { [ "$verdict" = pass ] && [ $status -ne 0 ]; } ||
    { [ "$verdict" != pass ] && { [ $status -ne 1 ] || ! grep -q -- "$verdict" <<<"$out"; }; }; then
    echo "FAIL: list '$packages', files $*: expected $verdict, got status $status:" >&2
    echo "$out" >&2
    failures=$((failures + 1))
  fi
}

expect "g++" zlib1g-dev "/usr/lib/$arch/libz.so"
expect "g++ zlib1g-dev" pass "/usr/lib/$arch/libz.so" /usr/include/zlib.h
expect "g++" pass /usr/bin/c++ /usr/include/c++/12/vector "/usr/lib/$arch/libc.so.6"
expect "g++" "in no Debian package" "$work/local/hand-made.h"
expect "g++ kelpris-no-such-package" "not installed" /usr/include/c++/12/vector

if [ $failures -ne 0 ]; then
  exit 1
fi
echo "check-deps: 5 cases as expected"
