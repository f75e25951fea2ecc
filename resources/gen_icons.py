#!/usr/bin/env python3
"""Writes the desktop icon in the icon theme's sizes, from the program's own
32x32 speaker (gen_images.draw_speaker), so that every size shows the same art.

Standard library only; the output is committed, so the build never runs this.

    python3 resources/gen_icons.py           write resources/icons/
    python3 resources/gen_icons.py --check   exit 1 if a committed icon differs

Whole multiples of 32 are enlarged pixel for pixel and stay crisp; 16 and 48
average the covered area (alpha-weighted, so transparent pixels bleed no
black into the edges). The scalable icon draws each run of same-coloured
pixels as one rectangle. 256x256 is resources/tivrel.png itself.
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import gen_images  # noqa: E402

SIZES = (16, 32, 48, 64, 128)


def resample(img, size):
    """RGBA rows of the image at size x size, by area coverage."""
    n = len(img)
    out = []
    for oy in range(size):
        row = []
        for ox in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            # The source square this pixel covers, in source pixels.
            x0, x1 = ox * n / size, (ox + 1) * n / size
            y0, y1 = oy * n / size, (oy + 1) * n / size
            for sy in range(int(y0), min(n, int(-(-y1 // 1)))):
                wy = min(y1, sy + 1) - max(y0, sy)
                for sx in range(int(x0), min(n, int(-(-x1 // 1)))):
                    w = wy * (min(x1, sx + 1) - max(x0, sx))
                    p = img[sy][sx]
                    if w <= 0 or p is None:
                        continue
                    for i in range(3):
                        acc[i] += p[i] * w
                    acc[3] += w
            area = (n / size) ** 2
            alpha = acc[3] / area
            if alpha <= 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(acc[i] / acc[3]) for i in range(3)) + (round(alpha * 255),))
        out.append(row)
    return out


def png_rgba(rows):
    w, h = len(rows[0]), len(rows)
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def svg(img):
    n = len(img)
    rects = []
    for y, row in enumerate(img):
        x = 0
        while x < n:
            p = row[x]
            end = x
            while end < n and row[end] == p:
                end += 1
            if p is not None:
                rects.append('<rect x="%d" y="%d" width="%d" height="1" fill="#%02x%02x%02x"/>' % ((x, y, end - x) + p))
            x = end
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 %d %d" '
            'shape-rendering="crispEdges">\n%s\n</svg>\n' % (n, n, "\n".join(rects))).encode()


def build():
    speaker = gen_images.draw_speaker()
    rgba = [[(0, 0, 0, 0) if p is None else p + (255,) for p in row] for row in speaker]
    files = {}
    for size in SIZES:
        if size % len(speaker) == 0:
            k = size // len(speaker)
            rows = [[p for p in row for _ in range(k)] for row in rgba for _ in range(k)]
        else:
            rows = resample(speaker, size)
        files["icons/hicolor/%dx%d/apps/tivrel.png" % (size, size)] = png_rgba(rows)
    files["icons/hicolor/scalable/apps/tivrel.svg"] = svg(speaker)
    return files


def main(argv):
    check = "--check" in argv[1:]
    stale = []
    for name, data in sorted(build().items()):
        path = os.path.join(HERE, name)
        if check:
            try:
                with open(path, "rb") as f:
                    same = f.read() == data
            except OSError:
                same = False
            if not same:
                stale.append(name)
            continue
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        print("%-40s %6d bytes" % (name, len(data)))
    for name in stale:
        print("resources/%s differs from what gen_icons.py draws; run it again" % name)
    return 1 if stale else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
