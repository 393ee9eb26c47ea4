#!/usr/bin/env bash
# Builds the Debian package dist/kelpris_VERSION_ARCH.deb: a Release build of
# the programs (build-package/, laid out under /usr) with Debian's hardening
# flags, packed by CPack. Its Depends are the run-time libraries
# dpkg-shlibdeps finds, never a -dev package. Install it with
#   sudo apt-get install ./dist/kelpris_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The flags Debian builds its own packages with (stack protector, fortified
# functions, read-only relocations); read when build-package/ is first made.
# CMake reads CXXFLAGS and LDFLAGS but not CPPFLAGS.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
# The manual page is dated by the last commit, not by the day of the build.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
export SOURCE_DATE_EPOCH
cmake --preset package >/dev/null
cmake --build --preset package -j"$(nproc)"
rm -f dist/kelpris_*.deb
cpack --preset package
rm -rf dist/_CPack_Packages
