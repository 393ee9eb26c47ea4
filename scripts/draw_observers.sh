#!/bin/sh
# Draws the two observer pictures of the setup screen with ImageMagick:
#   132.png  140x140  head and shoulders from the side, looking left;
#                     the eye is at (65, 50), where the setup screen puts
#                     the observer's eye
#   133.png   70x140  the same person seen from above, looking left; the
#                     eyes at (17, 60) and (17, 80)
# Both are plain RGB on white. Usage: scripts/draw_observers.sh [output dir]
# (default: src/render/qt/bitmaps next to this script's folder).
set -eu

out=${1:-"$(dirname "$0")/../src/render/qt/bitmaps"}
mkdir -p "$out"

INK='rgb(40,40,40)'
SKIN='rgb(250,220,190)'
HAIR='rgb(110,80,55)'
SHIRT='rgb(120,150,200)'
EYE='rgb(20,20,20)'

# Flattened to 24-bit RGB with no alpha channel, so the resource loads as an
# opaque picture.
save() {
  convert "$1" -background white -flatten -alpha off -type TrueColor \
    -define png:color-type=2 -define png:bit-depth=8 -strip "PNG24:$2"
}

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Side view, facing left.
convert -size 140x140 xc:white -stroke "$INK" -strokewidth 2 \
  -fill "$SHIRT" -draw "path 'M 24,140 C 26,118 44,106 70,103 L 104,101
      C 124,103 136,116 138,140 Z'" \
  -fill "$SKIN" -draw "path 'M 73,84 L 72,106 C 82,111 94,110 102,104 L 101,80 Z'" \
  -draw "path 'M 102,94 C 112,86 118,66 114,44 C 110,20 92,10 74,12
      C 62,14 55,22 54,34 C 53,40 55,44 56,48 L 44,63 C 43,66 46,67 51,67
      L 51,72 C 53,74 53,76 51,78 C 51,82 52,86 56,89
      C 64,95 80,97 102,94 Z'" \
  -fill "$HAIR" -draw "path 'M 114,50 C 116,30 100,10 78,10
      C 64,10 55,18 54,30 C 64,26 76,28 84,34 C 92,40 96,52 104,62
      C 108,66 112,60 114,50 Z'" \
  -fill "$SKIN" -draw "ellipse 90,54 6,9 0,360" \
  -fill none -strokewidth 1.5 -draw "path 'M 88,50 C 91,51 91,56 88,58'" \
  -draw "path 'M 58,41 C 62,39 67,39 71,41'" \
  -draw "line 51,75 58,75" \
  -stroke "$EYE" -fill "$EYE" -strokewidth 1 -draw "ellipse 65,50 3,2 0,360" \
  "$tmp/side.png"
save "$tmp/side.png" "$out/132.png"

# Top view, facing left: shoulders behind, then the head with the nose at
# the left edge.
convert -size 70x140 xc:white -stroke "$INK" -strokewidth 2 \
  -fill "$SHIRT" -draw "roundrectangle 31,3 67,137 16,22" \
  -fill "$SKIN" -draw "ellipse 32,46 4,6 0,360" -draw "ellipse 32,94 4,6 0,360" \
  -draw "path 'M 11,62 C 6,65 1,68 1,70 C 1,72 6,75 11,78 Z'" \
  -fill "$HAIR" -draw "ellipse 31,70 22,25 0,360" \
  -fill "$SKIN" -draw "path 'M 16,51 C 9,57 8,83 16,89 C 22,84 25,77 25,70
      C 25,63 22,56 16,51 Z'" \
  -stroke "$EYE" -fill "$EYE" -strokewidth 1 \
  -draw "circle 17,60 19,60" -draw "circle 17,80 19,80" \
  "$tmp/top.png"
save "$tmp/top.png" "$out/133.png"
