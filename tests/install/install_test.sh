#!/usr/bin/env bash
# The tree `cmake --install` lays out, installed into a folder outside the
# build tree: the files a desktop and a user expect, the importer kept off
# PATH and found from the installed viewer (an STL and a glTF sample render
# through it, and fail without it), and a manual page with every option that
# --help names.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/usr
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

for file in bin/kelpris libexec/kelpris/kelpris-import share/man/man1/kelpris.1.gz \
  share/applications/kelpris.desktop share/mime/packages/kelpris.xml \
  share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128}/apps/kelpris.png \
  share/icons/hicolor/scalable/apps/kelpris.svg \
  share/kelpris/samples/{dom.dat,bunny.stl,teapot.gltf,README.md} \
  share/doc/kelpris/{copyright,README.md.gz}; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done
[ ! -e "$prefix/bin/kelpris-import" ] || fail "the importer is installed on PATH"

render() { # SAMPLE: renders it with the installed viewer from an empty folder
  (cd "$work" && env -u DISPLAY QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
    "$prefix/bin/kelpris" --render "$work/$1.png" "$prefix/share/kelpris/samples/$1")
}
for sample in bunny.stl teapot.gltf; do
  render "$sample" || fail "the installed kelpris cannot render $sample"
  [ -s "$work/$sample.png" ] || fail "no picture of $sample"
done
mv "$prefix/libexec/kelpris/kelpris-import" "$work/"
if render bunny.stl 2>/dev/null; then
  fail "the installed kelpris rendered an STL without the installed importer"
fi

# help2man takes an option line it cannot read as plain text: every option
# of --help must be an entry of the page.
options_of_help=$("$prefix/bin/kelpris" --help | sed -n 's/^  \(--[a-z-]*\).*/\1/p' | sort -u)
options_of_page=$(zcat "$prefix/share/man/man1/kelpris.1.gz" |
  sed -n '/^\.TP/{n;s/^\\fB\([\\a-z-]*\)\\fR.*/\1/p;}' | sed 's/\\-/-/g' | sort -u)
if [ "$options_of_help" != "$options_of_page" ]; then
  fail "the manual page's options differ from --help's:
$(diff <(echo "$options_of_help") <(echo "$options_of_page"))"
fi
echo "install: layout, importer and manual page as expected"
