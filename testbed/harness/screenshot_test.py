#!/usr/bin/env python3
# SPDX-License-Identifier: BSD-2-Clause-Patent
"""`./scripts/run --screenshot FILE.png` boots, writes the page as a PNG and
powers off: the command ends by itself, the file is a 1280x800 RGB PNG, and
the picture is the page (the title bar's blue, the body's light gray and the
highlight's black where OVMF's browser draws them)."""
import argparse
import os
import struct
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from page_test import Checks  # noqa: E402

WIDTH, HEIGHT = 1280, 800
# (x, y, what, colour) in OVMF's graphics console palette.
PIXELS = [
    (300, 120, "title bar", (0, 0, 152)),
    (700, 450, "page body", (152, 152, 152)),
    (300, 230, "highlight of \"Set Supervisor Password:\"", (0, 0, 0)),
    (1100, 450, "right of the page", (0, 0, 0)),
]


def read_png(path):
    """(width, height, rows of RGB bytes) of an 8-bit RGB PNG without interlace."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    position, compressed = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            if (depth, colour) != (8, 2):
                raise ValueError("not 8-bit RGB")
        elif kind == b"IDAT":
            compressed += body
        position += 12 + length
    raw = zlib.decompress(compressed)
    stride = width * 3 + 1
    rows = []
    for y in range(height):
        if raw[y * stride] != 0:
            raise ValueError("filtered rows are not expected from ppm2png")
        rows.append(raw[y * stride + 1:(y + 1) * stride])
    return width, height, rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True, help="the source tree whose scripts/run is tried")
    parser.add_argument("--timeout", type=int, default=300)
    args = parser.parse_args()
    c = Checks()
    with tempfile.TemporaryDirectory(prefix="quorvane-screenshot-") as folder:
        picture = os.path.join(folder, "page.png")
        started = time.time()
        run = subprocess.run([os.path.join(args.root, "scripts", "run"), "--ide-disk", "--screenshot", picture],
                             stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=args.timeout)
        print(run.stdout + run.stderr)
        print(f"screenshot: ./scripts/run --screenshot ended after {time.time() - started:.1f} s")
        c.expect(run.returncode == 0, f"scripts/run exited {run.returncode}")
        if c.expect(os.path.exists(picture), "no picture written"):
            width, height, rows = read_png(picture)
            c.expect((width, height) == (WIDTH, HEIGHT), f"picture is {width}x{height}")
            for x, y, what, colour in PIXELS:
                if y < height and x < width:
                    pixel = tuple(rows[y][3 * x:3 * x + 3])
                    c.expect(pixel == colour, f"{what} at ({x},{y}) is {pixel}, expected {colour}")
    return c.finish("screenshot")


if __name__ == "__main__":
    sys.exit(main())
