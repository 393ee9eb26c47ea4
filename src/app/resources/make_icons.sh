#!/bin/sh
# Draws the application icon: a red and a green outline of the same cube,
# offset sideways as the two eyes see it, on a dark rounded tile. The two
# colours add up to yellow where they overlap, as on the stereo screen.
# Each size is drawn at its own resolution so the lines stay crisp at 16x16.
# Needs ImageMagick's convert. Writes icons/kelpris-<size>.png and
# icons/kelpris.svg next to this script.
set -eu
cd "$(dirname "$0")"
mkdir -p icons

# Cube corners on a 16-unit grid: front square and back square.
# front: (2,5)-(10,13); back: (6,2)-(14,10) (x offset 4, y offset -3)
cube() { # $1 scale, $2 x shift (grid units, may be fractional)
    awk -v s="$1" -v d="$2" 'function p(x, y) { return sprintf("%.1f,%.1f", (x + d) * s, y * s) }
    BEGIN {
        printf "polyline %s %s %s %s %s ", p(2,5), p(10,5), p(10,13), p(2,13), p(2,5);
        printf "polyline %s %s %s %s %s ", p(6,2), p(14,2), p(14,10), p(6,10), p(6,2);
        printf "line %s %s line %s %s line %s %s line %s %s",
            p(2,5), p(6,2), p(10,5), p(14,2), p(10,13), p(14,10), p(2,13), p(6,10);
    }'
}

for size in 16 32 48 64 128; do
    scale=$(awk -v n="$size" 'BEGIN { printf "%.4f", n / 16 }')
    width=$(awk -v n="$size" 'BEGIN { w = n / 16; if (w < 1) w = 1; printf "%.1f", w }')
    radius=$(awk -v n="$size" 'BEGIN { printf "%.1f", n / 6 }')
    last=$((size - 1))
    # Shifts of half a grid unit either way; at 16 px that is one pixel apart.
    convert -size "${size}x${size}" xc:none \
        -fill '#141414' -draw "roundrectangle 0,0 $last,$last $radius,$radius" \
        \( -size "${size}x${size}" xc:none -fill none -stroke '#e00000' \
           -strokewidth "$width" -draw "$(cube "$scale" -0.6)" \) -compose lighten -composite \
        \( -size "${size}x${size}" xc:none -fill none -stroke '#00c000' \
           -strokewidth "$width" -draw "$(cube "$scale" 0.4)" \) -compose lighten -composite \
        -define png:exclude-chunks=date,time "icons/kelpris-$size.png"
done

# Scalable version with the same drawing on a 128-unit canvas.
svg_cube() { # $1 colour, $2 x shift
    awk -v c="$1" -v d="$2" 'function p(x, y) { return sprintf("%.1f,%.1f", (x + d) * 8, y * 8) }
    BEGIN {
        printf "  <g fill=\"none\" stroke=\"%s\" stroke-width=\"8\" stroke-linejoin=\"round\" style=\"mix-blend-mode:lighten\">\n", c;
        printf "    <polygon points=\"%s %s %s %s\"/>\n", p(2,5), p(10,5), p(10,13), p(2,13);
        printf "    <polygon points=\"%s %s %s %s\"/>\n", p(6,2), p(14,2), p(14,10), p(6,10);
        printf "    <path d=\"M%s L%s M%s L%s M%s L%s M%s L%s\"/>\n", p(2,5), p(6,2), p(10,5), p(14,2), p(10,13), p(14,10), p(2,13), p(6,10);
        printf "  </g>\n";
    }'
}
{
    echo '<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" viewBox="0 0 128 128">'
    echo '  <rect width="128" height="128" rx="21" fill="#141414"/>'
    svg_cube '#e00000' -0.6
    svg_cube '#00c000' 0.4
    echo '</svg>'
} > icons/kelpris.svg
