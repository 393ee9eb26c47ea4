#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it.
# Usage: scripts/check-format.sh [files...]   (default: every tracked file)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  files=("$@")
fi
clang-format --dry-run -Werror "${files[@]}"
echo "formatting: ${#files[@]} files checked"
