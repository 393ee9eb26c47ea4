#!/usr/bin/env bash
# Installs the Debian 12 packages KELPRIS needs to build, test, package and
# run, when any of them is missing. Safe to run again: it does nothing when
# all are there. `--list` prints the packages, one a line, and installs nothing
# (scripts/check-deps.sh reads the list from there).
set -euo pipefail

packages=(
  build-essential cmake g++ clang libclang-rt-dev
  # CMake gives clang's builds (the fuzzers) llvm-ar where it is installed.
  llvm
  qt6-base-dev qt6-base-dev-tools libgl-dev libgif-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev libcli11-dev
  fonts-dejavu-core xvfb xauth locales clang-format
  # libassimp-dev's CMake files link zlib's libz.so without depending on
  # the package that has it.
  libassimp-dev zlib1g-dev
  # The man page is made from --help; scripts/package.sh needs `file` for
  # CPack to find the programs whose libraries become the package's Depends.
  help2man file
  # The framing checker's picture measure and its test are Python.
  python3
)

if [ "${1:-}" = "--list" ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
