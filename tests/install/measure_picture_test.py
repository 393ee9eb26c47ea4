#!/usr/bin/env python3
"""scripts/measure-picture.py, the framing checker's eye: on made-up stereo
pictures it must tell a model that keeps off the frame from one that touches
it (also through the frame's open corners), a tiny model and a blank picture;
on the viewer's own golden pictures (a palette and an RGB PNG, with the
filters the PNG library chose) it must find the model's exact box."""

import importlib.machinery
import pathlib
import struct
import sys
import types
import zlib

ROOT = pathlib.Path(__file__).resolve().parents[2]
# The script's name has a hyphen, so it is loaded from its path.
loader = importlib.machinery.SourceFileLoader("measure", str(ROOT / "scripts" / "measure-picture.py"))
measure = types.ModuleType(loader.name)
loader.exec_module(measure)

W, H, FRAME = 120, 80, (200, 0, 200)


def stereo_picture(model_pixels):
    """A black RGB picture with the stereo screen's 4 px frame (corners left
    open as the viewer leaves them) and the given pixels lit."""
    pixels = [[(0, 0, 0)] * W for _ in range(H)]
    for ring in range(4):
        for x in range(4, W - 4):
            pixels[ring][x] = pixels[H - 1 - ring][x] = FRAME
        for y in range(4, H - 4):
            pixels[y][ring] = pixels[y][W - 1 - ring] = FRAME
    for x, y in model_pixels:
        pixels[y][x] = (180, 120, 0)
    return pixels


def write_png(path, pixels):
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in pixels)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", len(pixels[0]), len(pixels), 8, 2, 0, 0, 0)
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                     chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def box(x0, y0, x1, y1):
    return [(x, y) for x in range(x0, x1 + 1) for y in range(y0, y1 + 1)]


def run(path):
    width, height, channels, rows = measure.read_png(path)
    frame, found, stray = measure.measure(width, height, channels, rows)
    passed, line = measure.verdict(width, height, frame, found, stray,
                                   measure.colour_count(channels, rows), 0.35)
    return passed, line.split(":")[0], frame, found


def main(scratch):
    failures = []
    made_up = [  # name, lit pixels, passes, first word, box
        ("inside", box(30, 20, 80, 60), True, "ok", [30, 20, 80, 60]),
        ("on the first row inside", box(30, 4, 80, 60), False, "touches the frame",
         [30, 4, 80, 60]),
        ("on the last column inside", box(30, 20, W - 5, 60), False, "touches the frame",
         [30, 20, W - 5, 60]),
        ("in an open corner", box(30, 20, 80, 60) + [(0, 0)], False, "touches the frame",
         [30, 20, 80, 60]),
        ("too small", box(50, 30, 60, 40), False, "too small", [50, 30, 60, 40]),
        ("blank", [], False, "blank", None),
    ]
    for name, lit, passes, word, expected_box in made_up:
        path = scratch / "picture.png"
        write_png(path, stereo_picture(lit))
        got = run(path)
        if got != (passes, word, 4, expected_box):
            failures.append(f"{name}: got {got}")
    goldens = [  # boxes as ImageMagick's -trim finds them
        ("stereo_bunny_large.png", (True, "ok", 4, [244, 26, 771, 576])),
        ("stereo_teapot_lit.png", (True, "ok", 4, [123, 132, 489, 383])),
    ]
    for name, expected in goldens:
        got = run(ROOT / "tests" / "pictures" / "golden" / name)
        if got != expected:
            failures.append(f"{name}: got {got}, expected {expected}")
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(made_up) + len(goldens) - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    import tempfile
    with tempfile.TemporaryDirectory() as scratch:
        sys.exit(main(pathlib.Path(scratch)))
