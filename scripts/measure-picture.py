#!/usr/bin/env python3
"""Measures where the model lies in a stereo-screen PNG of the viewer.

    scripts/measure-picture.py [--min-span FRACTION] PICTURE.png

The stereo screen is black with a frame of one colour along its edges; every
other non-black pixel is the model. Prints one line, for example
    ok: frame 4 px, model x 212..1067 y 31..768, span 67% x 92%, 10 colours
and exits 0 when the model keeps off the frame (no model pixel on the first
row or column inside it) and spans at least FRACTION (default 0.35) of the
picture's width or height; otherwise the line starts with what is wrong and
the exit status is 1. An unreadable picture exits 2. Standard library only.
"""

import argparse
import struct
import sys
import zlib

MAX_FRAME = 16  # wider bands of one colour are the picture, not a frame
BLACK = b"\0\0\0"


def _unfilter(kind, line, prior, bpp):
    """Undoes one PNG row filter; `line` is a bytearray changed in place."""
    if kind == 0:
        return line
    if kind == 2:
        # Bytewise addition mod 256 of two rows, carried out on whole integers.
        n = len(line)
        a = int.from_bytes(line, "little")
        b = int.from_bytes(prior, "little")
        low = int.from_bytes(b"\x7f" * n, "little")
        high = int.from_bytes(b"\x80" * n, "little")
        total = ((a & low) + (b & low)) ^ ((a ^ b) & high)
        return bytearray(total.to_bytes(n, "little"))
    for i in range(len(line)):
        left = line[i - bpp] if i >= bpp else 0
        up = prior[i]
        if kind == 1:
            line[i] = (line[i] + left) & 0xFF
        elif kind == 3:
            line[i] = (line[i] + ((left + up) >> 1)) & 0xFF
        elif kind == 4:
            corner = prior[i - bpp] if i >= bpp else 0
            p = left + up - corner
            pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
            best = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
            line[i] = (line[i] + best) & 0xFF
        else:
            raise ValueError(f"unknown row filter {kind}")
    return line


def read_png(path):
    """Returns (width, height, channels, rows) of an 8-bit RGB, RGBA or
    palette PNG; palette rows come back as RGB."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file")
    pos, idat, header, palette = 8, [], None, b""
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = body
        elif kind == b"IDAT":
            idat.append(body)
        elif kind == b"IEND":
            break
    if header is None:
        raise ValueError("no IHDR chunk")
    width, height, depth, colour, _, _, interlace = header
    channels = {2: 3, 3: 1, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace != 0:
        raise ValueError(f"unsupported PNG (depth {depth}, colour type {colour}, "
                         f"interlace {interlace})")
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    if len(raw) < (stride + 1) * height:
        raise ValueError("picture data ends early")
    rows, prior = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        line = bytearray(raw[start + 1:start + 1 + stride])
        prior = _unfilter(raw[start], line, prior, channels)
        rows.append(bytes(prior))
    if colour == 3:
        table = [palette[3 * i:3 * i + 3].ljust(3, b"\0") for i in range(256)]
        rows = [b"".join(table[i] for i in row) for row in rows]
        channels = 3
    return width, height, channels, rows


def colour_count(channels, rows):
    """How many different colours the picture holds."""
    seen = set()
    for row in rows:
        seen.update(row[i:i + 3] for i in range(0, len(row), channels))
    return len(seen)


def _pixel(rows, channels, x, y):
    return rows[y][x * channels:x * channels + 3]


def _ring(width, height, ring, margin=0):
    """The pixels at distance `ring` from the edge, leaving out `margin`
    pixels at each end of every side."""
    xs = range(ring + margin, width - ring - margin)
    ys = range(ring + margin, height - ring - margin)
    yield from ((x, ring) for x in xs)
    yield from ((x, height - 1 - ring) for x in xs)
    yield from ((ring, y) for y in ys)
    yield from ((width - 1 - ring, y) for y in ys)


def frame_of(width, height, channels, rows):
    """(width, colour) of the frame: the outer rings of pixels that all have
    the colour of the top edge's middle, when that colour is not black. The
    corners are left out, since the frame's line leaves them open."""
    colour = _pixel(rows, channels, width // 2, 0)
    ring = 0
    while colour != BLACK and ring < MAX_FRAME and 2 * (ring + MAX_FRAME) < min(width, height):
        if any(_pixel(rows, channels, x, y) != colour
               for x, y in _ring(width, height, ring, MAX_FRAME)):
            break
        ring += 1
    return ring, colour


def _stray_in_frame(width, height, channels, rows, frame, colour):
    """Whether a pixel within the frame's rings is neither the frame's colour
    nor black (the model drawn past the frame, say in an open corner)."""
    return any(_pixel(rows, channels, x, y) not in (colour, BLACK)
               for ring in range(frame) for x, y in _ring(width, height, ring))


def _nonblack_span(row, channels, first, last):
    """First and last non-black pixel of row[first..last], or None."""
    lo = hi = None
    for c in range(3):
        plane = row[first * channels + c:(last + 1) * channels:channels]
        stripped = plane.lstrip(b"\0")
        if not stripped:
            continue
        left = first + len(plane) - len(stripped)
        right = first + len(plane.rstrip(b"\0")) - 1
        lo = left if lo is None else min(lo, left)
        hi = right if hi is None else max(hi, right)
    return None if lo is None else (lo, hi)


def measure(width, height, channels, rows):
    """Returns (frame, box, stray): the frame's width; (x0, y0, x1, y1) of the
    model's pixels inside the frame, or None for a picture with no model pixel
    there; and whether model pixels lie within the frame's rings."""
    frame, colour = frame_of(width, height, channels, rows)
    stray = _stray_in_frame(width, height, channels, rows, frame, colour)
    box = None
    for y in range(frame, height - frame):
        span = _nonblack_span(rows[y], channels, frame, width - 1 - frame)
        if span is None:
            continue
        x0, x1 = span
        if box is None:
            box = [x0, y, x1, y]
        else:
            box = [min(box[0], x0), box[1], max(box[2], x1), y]
    return frame, box, stray


def verdict(width, height, frame, box, stray, colours, min_span):
    """(passed, line) for a measured picture."""
    if box is None:
        return False, f"blank: frame {frame} px, no model pixel, {colours} colours"
    x0, y0, x1, y1 = box
    span_x = (x1 - x0 + 1) / width
    span_y = (y1 - y0 + 1) / height
    text = (f"frame {frame} px, model x {x0}..{x1} y {y0}..{y1}, "
            f"span {span_x:.0%} x {span_y:.0%}, {colours} colours")
    inner = (frame, frame, width - 1 - frame, height - 1 - frame)
    if stray or x0 == inner[0] or y0 == inner[1] or x1 == inner[2] or y1 == inner[3]:
        return False, "touches the frame: " + text
    if max(span_x, span_y) < min_span:
        return False, "too small: " + text
    return True, "ok: " + text


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--min-span", type=float, default=0.35)
    parser.add_argument("picture")
    args = parser.parse_args()
    try:
        width, height, channels, rows = read_png(args.picture)
    except (OSError, ValueError, zlib.error) as error:
        print(f"unreadable: {args.picture}: {error}")
        return 2
    passed, line = verdict(width, height, *measure(width, height, channels, rows),
                           colour_count(channels, rows), args.min_span)
    print(line)
    return 0 if passed else 1


if __name__ == "__main__":
    sys.exit(main())
