#!/usr/bin/env python3
"""Draws Tivrel's icons, button faces and desktop icon, and writes them.

Standard library only; the output is committed, so the build never runs this.
Run it again after changing a drawing:

    python3 resources/gen_images.py [root]     (default: resources/)

The images go to root/images/, the desktop icon to root/tivrel.png.

Everything is drawn pixel by pixel at its final size, so the images stay crisp
at the colour depths the window designs ask for (4-bit and 1-bit icons take
their colours from a fixed palette). The output is deterministic.
"""

import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------- canvas

TRANSPARENT = None


def canvas(w, h):
    return [[TRANSPARENT] * w for _ in range(h)]


def mask_of(w, h, inside, sy=1.0):
    """Which pixels have their centre inside the shape. `sy` stretches the
    vertical sampling (a 32x16 icon samples a 32x32 drawing every 2 rows)."""
    return [[bool(inside(x + 0.5, (y + 0.5) * sy)) for x in range(w)] for y in range(h)]


def paint(img, mask, colour):
    """Fill the masked pixels; `colour` is an RGB tuple or a function (x, y)."""
    for y, row in enumerate(mask):
        for x, on in enumerate(row):
            if on:
                img[y][x] = colour(x, y) if callable(colour) else colour


def edge(mask):
    """The mask's own border pixels: set, with a 4-neighbour outside it."""
    h, w = len(mask), len(mask[0])

    def at(x, y):
        return 0 <= x < w and 0 <= y < h and mask[y][x]

    return [[mask[y][x] and not (at(x - 1, y) and at(x + 1, y) and at(x, y - 1) and at(x, y + 1))
             for x in range(w)] for y in range(h)]


def union(*masks):
    return [[any(m[y][x] for m in masks) for x in range(len(masks[0][0]))]
            for y in range(len(masks[0]))]


def minus(a, b):
    return [[a[y][x] and not b[y][x] for x in range(len(a[0]))] for y in range(len(a))]


def line(img, x0, y0, x1, y1, colour, width=1):
    """A straight line, stamped as width x width squares along its length."""
    steps = max(abs(x1 - x0), abs(y1 - y0)) * 2 + 1
    h, w = len(img), len(img[0])
    for i in range(int(steps) + 1):
        t = i / steps
        cx, cy = x0 + (x1 - x0) * t, y0 + (y1 - y0) * t
        for dy in range(width):
            for dx in range(width):
                px, py = int(round(cx - (width - 1) / 2 + dx)), int(round(cy - (width - 1) / 2 + dy))
                if 0 <= px < w and 0 <= py < h:
                    img[py][px] = colour


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def hexrgb(v):
    return ((v >> 16) & 255, (v >> 8) & 255, v & 255)


# The standard 16-colour palette of 4-bit icons, in palette order.
VGA = [hexrgb(v) for v in (
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF)]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = VGA[:8]
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = VGA[8:]

# ---------------------------------------------------------------- drawings


def draw_speaker():
    """The main icon: a loudspeaker sending out three sound waves."""
    w = h = 32
    img = canvas(w, h)
    magnet = mask_of(w, h, lambda x, y: 3 <= x < 10 and 11 <= y < 21)
    cone = mask_of(w, h, lambda x, y: 9 <= x < 18 and
                   11 - (x - 9) * 0.85 <= y < 21 + (x - 9) * 0.85)
    body = union(magnet, cone)
    paint(img, magnet, SILVER)
    paint(img, mask_of(w, h, lambda x, y: 4 <= x < 6 and 12 <= y < 20), WHITE)
    paint(img, cone, lambda x, y: SILVER if y < 13 - (x - 9) * 0.5 else GRAY)
    paint(img, mask_of(w, h, lambda x, y: 10 <= x < 17 and
                       12.2 - (x - 9) * 0.85 <= y < 13.2 - (x - 9) * 0.85), WHITE)
    paint(img, mask_of(w, h, lambda x, y: 15 <= x < 18 and 8 <= y < 24), NAVY)
    paint(img, edge(body), BLACK)
    paint(img, mask_of(w, h, lambda x, y: 9 <= x < 10 and 11 <= y < 21), BLACK)

    cx, cy = 17.0, 16.0
    for radius in (6.0, 10.0, 14.0):
        def arc(x, y, lo, hi, r=radius):
            d = math.hypot(x - cx, y - cy)
            return x > cx and lo <= d - r < hi and abs(math.atan2(y - cy, x - cx)) <= math.radians(48)
        paint(img, mask_of(w, h, lambda x, y: arc(x, y, -1.0, 0.0)), BLUE)
        paint(img, mask_of(w, h, lambda x, y: arc(x, y, 0.0, 1.0)), NAVY)
    return img


def bell_shape(scale=1.0, ox=16.0, oy=16.0):
    """The bell of the About icon as shape tests on a 32x32 drawing."""
    def to_local(x, y):
        return (x - ox) / scale, (y - oy) / scale

    def half_width(ly):
        if ly < -5:
            return math.sqrt(max(0.0, 49 - (ly + 5) ** 2))
        return 7 + 5 * ((ly + 5) / 12) ** 2

    def body(x, y):
        lx, ly = to_local(x, y)
        if -12 <= ly < 7:
            return abs(lx) < half_width(ly)
        return 7 <= ly < 9.5 and abs(lx) < 13

    def clapper(x, y):
        lx, ly = to_local(x, y)
        return math.hypot(lx, ly - 10.5) < 2.6

    def loop(x, y):
        lx, ly = to_local(x, y)
        return 1.0 <= math.hypot(lx, ly + 12.5) < 2.6 and ly < -11

    def highlight(x, y):
        lx, ly = to_local(x, y)
        return -7 <= ly < 5 and -0.62 < lx / max(half_width(ly), 1) < -0.38

    def shade(x, y):
        lx, ly = to_local(x, y)
        return body(x, y) and (ly >= 8.3 or ly < 7 and lx > half_width(ly) * 0.45)

    return body, clapper, loop, highlight, shade


def draw_bell(w, h, colours, scale=1.0, ox=16.0, sy=1.0, marks=False):
    """The bell (铃) in the given colours; `marks` adds two ringing strokes."""
    outline, fill, light, dark, clap = colours
    img = canvas(w, h)
    body, clapper, loop, highlight, shade = bell_shape(scale, ox)
    m_body, m_clap, m_loop = (mask_of(w, h, f, sy) for f in (body, clapper, loop))
    paint(img, m_clap, clap)
    paint(img, edge(m_clap), outline)
    paint(img, m_body, fill)
    if light is not None:
        paint(img, minus(mask_of(w, h, highlight, sy), edge(m_body)), light)
    if dark is not None:
        paint(img, minus(mask_of(w, h, shade, sy), edge(m_body)), dark)
    paint(img, edge(m_body), outline)
    paint(img, m_loop, outline)
    if marks:
        for side in (-1, 1):
            for i, (dx, dy) in enumerate(((12.5, -6), (14, -2), (12.5, 2))):
                x = int(ox + side * dx * scale + (0 if side > 0 else -1))
                y = int((16 + dy * scale) / sy)
                line(img, x, y, x + side, y + (1 if i == 0 else 0), RED)
    return img


def draw_page():
    """The read-me icon: a sheet of text with a folded corner and a shadow."""
    w = h = 32
    img = canvas(w, h)
    left, top, right, bottom, fold = 6, 2, 25, 30, 7

    def sheet(x, y, dx=0, dy=0):
        x, y = x - dx, y - dy
        return left <= x < right and top <= y < bottom and (x - (right - fold)) + (top + fold - y) <= fold

    page = mask_of(w, h, sheet)
    shadow = minus(mask_of(w, h, lambda x, y: sheet(x, y, 2, 2)), page)
    paint(img, shadow, lambda x, y: mix((0x70, 0x78, 0x88), (0xA8, 0xB0, 0xBC), (y - top) / 30))
    paint(img, page, lambda x, y: mix((0xFF, 0xFF, 0xFC), (0xD8, 0xE2, 0xEE), (y - top) / (bottom - top)))
    corner = mask_of(w, h, lambda x, y: right - fold <= x < right and top <= y < top + fold and
                     (x - (right - fold)) <= (y - top) + 0.5)
    paint(img, corner, lambda x, y: mix((0xE8, 0xEC, 0xF2), (0xB0, 0xBC, 0xCC), (x - (right - fold)) / fold))
    paint(img, edge(page), (0x4A, 0x5A, 0x72))
    paint(img, edge(corner), (0x4A, 0x5A, 0x72))
    # A heading, then body lines of uneven length, like the read-me text itself.
    line(img, 9, 6, 16, 6, (0x20, 0x40, 0x90))
    line(img, 9, 7, 16, 7, (0x30, 0x58, 0xA8))
    for i, end in enumerate((21, 20, 22, 17, 21, 14)):
        y = 11 + i * 3
        line(img, 9, y, end, y, mix((0x58, 0x78, 0xB0), (0x78, 0x90, 0xB8), i / 5))
    return img


def draw_scope():
    """The Test button's icon: a little oscilloscope showing a sine wave."""
    w = h = 16
    img = canvas(w, h)
    frame = mask_of(w, h, lambda x, y: 0 <= x < 16 and 1 <= y < 15 and
                    not ((x < 1 or x > 15) and (y < 2 or y > 14)))
    paint(img, frame, lambda x, y: mix((0xD8, 0xDC, 0xE0), (0x80, 0x88, 0x90), y / 15))
    screen = mask_of(w, h, lambda x, y: 2 <= x < 14 and 3 <= y < 13)
    paint(img, screen, lambda x, y: mix((0x10, 0x38, 0x20), (0x06, 0x1C, 0x10), y / 15))
    for gx in (5, 8, 11):
        for gy in (5, 8, 11):
            img[gy][gx] = (0x28, 0x58, 0x38)
    pts = [(x, 8 - 3.4 * math.sin(2 * math.pi * (x - 2) / 11)) for x in range(2, 14)]
    for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
        line(img, x0, y0, x1, y1, (0x50, 0xF0, 0x70))
    paint(img, edge(frame), (0x40, 0x44, 0x4C))
    return img


def draw_exit():
    """The Exit button's icon: a red round sign with a light cross."""
    w = h = 16
    img = canvas(w, h)
    disc = mask_of(w, h, lambda x, y: math.hypot(x - 8, y - 8) < 7.6)
    paint(img, disc, lambda x, y: mix((0xFF, 0x80, 0x70), (0xA8, 0x10, 0x10),
                                     math.hypot(x - 5, y - 5) / 11))
    paint(img, edge(disc), (0x70, 0x10, 0x10))
    # A one-pixel cross through the centre, softened by pink neighbours.
    for d in (1, 0):
        cross = mask_of(w, h, lambda x, y: max(abs(x - 8), abs(y - 8)) < 4 and
                        min(abs((x - 8) - (y - 8)), abs((x - 8) + (y - 8))) < d + 0.5)
        paint(img, cross, (0xF8, 0xB8, 0xB0) if d else (0xFC, 0xF8, 0xF4))
    return img


# Button faces: light vertical gradients with a 1-px border, so that they
# stretch over any button size and leave black captions easy to read. Pure
# white is the faces' mask colour, so only the rounded corners use it.
MASK_WHITE = (0xFF, 0xFF, 0xFF)


def draw_face(w, h, top, bottom, border, corners=True, inner=None, offset=0):
    img = [[mix(top, bottom, (y - offset) / max(h - 1, 1)) for _ in range(w)] for y in range(h)]
    for x in range(w):
        img[0][x] = img[h - 1][x] = border
    for y in range(h):
        img[y][0] = img[y][w - 1] = border
    if inner is not None:
        for x in range(1, w - 1):
            img[1][x] = img[h - 2][x] = inner
        for y in range(1, h - 1):
            img[y][1] = img[y][w - 2] = inner
    if corners:
        for x, y in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
            img[y][x] = MASK_WHITE
    return img


def draw_test_face():
    # Three rows only: a soft green gradient that stretches into a smooth face.
    rows = [(0xEC, 0xF6, 0xE4), (0xD4, 0xEA, 0xC8), (0xB4, 0xD4, 0xA4)]
    return [[rows[y] if 0 < x < 14 else mix(rows[y], (0x70, 0x98, 0x60), 0.5) for x in range(15)]
            for y in range(3)]


def draw_return_face():
    """Five 25x25 frames side by side: normal, hot, pressed, focused, disabled."""
    frames = [
        draw_face(25, 25, (0xFA, 0xFC, 0xFE), (0xCC, 0xD8, 0xE8), (0x70, 0x90, 0xB0)),
        draw_face(25, 25, (0xF0, 0xF8, 0xFF), (0xB4, 0xD8, 0xF6), (0x30, 0x78, 0xB0)),
        draw_face(25, 25, (0xB8, 0xCC, 0xE2), (0xE4, 0xEC, 0xF4), (0x28, 0x58, 0x88),
                  inner=(0x98, 0xB0, 0xCC)),
        draw_face(25, 25, (0xFA, 0xFC, 0xFE), (0xCC, 0xD8, 0xE8), (0x70, 0x90, 0xB0),
                  inner=(0x8C, 0xBC, 0xEC)),
        draw_face(25, 25, (0xF2, 0xF2, 0xF2), (0xE2, 0xE2, 0xE2), (0xB0, 0xB4, 0xB8)),
    ]
    return [sum((f[y] for f in frames), []) for y in range(25)]


# ---------------------------------------------------------------- encoders


def dib_for_icon(img, bpp, palette=None):
    """The image as an icon stores it: BITMAPINFOHEADER (double height),
    palette, colour bits and the AND mask, rows bottom-up."""
    h, w = len(img), len(img[0])
    colours = 1 << bpp
    if palette is None:
        used = sorted({p for row in img for p in row if p is not TRANSPARENT})
        palette = [BLACK] + [c for c in used if c != BLACK]
    if len(palette) > colours:
        raise ValueError("%d colours do not fit in %d bits" % (len(palette), bpp))
    palette = palette + [BLACK] * (colours - len(palette))
    index = {c: i for i, c in reversed(list(enumerate(palette)))}
    xor_stride = (w * bpp + 31) // 32 * 4
    and_stride = (w + 31) // 32 * 4
    xor_bits, and_bits = bytearray(), bytearray()
    for row in reversed(img):
        bits = 0
        for p in row:
            bits = (bits << bpp) | (0 if p is TRANSPARENT else index[p])
        bits <<= (-w * bpp) % 8  # the leftmost pixel takes the top bits
        packed = bits.to_bytes((w * bpp + 7) // 8, "big")
        xor_bits += packed + bytes(xor_stride - len(packed))
        mbits = 0
        for p in row:
            mbits = (mbits << 1) | (p is TRANSPARENT)
        mbits <<= (-w) % 8
        packed = mbits.to_bytes((w + 7) // 8, "big")
        and_bits += packed + bytes(and_stride - len(packed))
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bpp, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 0, 0)
    quads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + quads + bytes(xor_bits) + bytes(and_bits)


def entry_fields(img, bpp):
    h, w = len(img), len(img[0])
    return (w & 255, h & 255, (1 << bpp) if bpp < 8 else 0, 0, 1, bpp)


def ico_file(images):
    """An .ico file from (image, bpp, palette) triples."""
    dibs = [dib_for_icon(img, bpp, pal) for img, bpp, pal in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (img, bpp, _), dib in zip(images, dibs):
        out += struct.pack("<BBBBHHII", *entry_fields(img, bpp), len(dib), offset)
        offset += len(dib)
    return out + b"".join(dibs)


def group_icon(img, bpp, size, image_id):
    """An RT_GROUP_ICON directory naming one RT_ICON image by its id."""
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHIH", *entry_fields(img, bpp), size, image_id)


def bmp_file(img):
    """A 24-bit bottom-up .bmp file."""
    h, w = len(img), len(img[0])
    stride = (w * 3 + 3) // 4 * 4
    bits = bytearray()
    for row in reversed(img):
        packed = b"".join(struct.pack("<BBB", b, g, r) for r, g, b in row)
        bits += packed + bytes(stride - len(packed))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(bits), 3780, 3780, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(bits), 0, 0, 14 + len(info)) + info + bits


def png_file(img, scale):
    """An RGBA .png of the image, each pixel enlarged to scale x scale."""
    h, w = len(img), len(img[0])
    raw = bytearray()
    for row in img:
        line_bytes = b"".join((bytes(p) + b"\xff" if p is not TRANSPARENT else b"\0\0\0\0") * scale
                              for p in row)
        raw += (b"\0" + line_bytes) * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    ihdr = struct.pack(">IIBBBBB", w * scale, h * scale, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------- output


def build():
    """Every output file, by name."""
    speaker = draw_speaker()
    main_dib = dib_for_icon(speaker, 4, VGA)
    gold = (BLACK, YELLOW, WHITE, OLIVE, GRAY)
    mono = (BLACK, WHITE, None, None, BLACK)
    mono_palette = [BLACK, WHITE]
    about = [
        (draw_bell(32, 16, mono, sy=2.0), 1, mono_palette),
        (draw_bell(32, 32, mono), 1, mono_palette),
        (draw_bell(32, 32, gold), 4, VGA),
        (draw_bell(32, 32, gold, scale=0.8, marks=True), 4, VGA),
    ]
    return {
        "images/main.ico": ico_file([(speaker, 4, VGA)]),
        "images/main_30001.bin": main_dib,
        "images/main_group1.bin": group_icon(speaker, 4, len(main_dib), 30001),
        "images/about.ico": ico_file(about),
        "images/readme.ico": ico_file([(draw_page(), 8, None)]),
        "images/test16.ico": ico_file([(draw_scope(), 8, None)]),
        "images/exit16.ico": ico_file([(draw_exit(), 8, None)]),
        "images/test_face.bmp": bmp_file(draw_test_face()),
        "images/about_face.bmp": bmp_file(draw_face(90, 21, (0xF8, 0xFA, 0xFE), (0xC8, 0xD6, 0xEA), (0x70, 0x90, 0xB0))),
        "images/exit_face.bmp": bmp_file(draw_face(110, 19, (0xFE, 0xF6, 0xF0), (0xEC, 0xCC, 0xBC), (0xA8, 0x70, 0x60))),
        "images/return_face.bmp": bmp_file(draw_return_face()),
        "tivrel.png": png_file(speaker, 8),
    }


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, data in sorted(build().items()):
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        print("%-23s %6d bytes" % (name, len(data)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
