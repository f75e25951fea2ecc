#!/usr/bin/env python3
"""Checks the committed images, and optionally a compiled resource file.

    python3 resources/check_images.py [--root DIR] [--res tivrel.res]

Asserts the sizes and colour depths the window designs ask for, that the
application icon's group 1 names image 30001, and (with --res, a .res made by
`windres -I src resources/tivrel.rc -O res -o tivrel.res`) that the compiled
script holds every id with the right data and the version strings in UTF-16.
Prints each problem and exits 1 if there is any.
"""

import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# file: list of (width, height, bits per pixel), in directory order
ICONS = {
    "main.ico": [(32, 32, 4)],
    "about.ico": [(32, 16, 1), (32, 32, 1), (32, 32, 4), (32, 32, 4)],
    "readme.ico": [(32, 32, 8)],
    "test16.ico": [(16, 16, 8)],
    "exit16.ico": [(16, 16, 8)],
}
FACES = {"test_face.bmp": (15, 3), "about_face.bmp": (90, 21),
         "exit_face.bmp": (110, 19), "return_face.bmp": (125, 25)}
GROUPS = {1: "main.ico", 30002: "about.ico", 30003: "readme.ico", 30004: "test16.ico", 30005: "exit16.ico"}
BITMAPS = {30101: "test_face.bmp", 30102: "about_face.bmp", 30103: "exit_face.bmp", 30104: "return_face.bmp"}
VERSION_STRINGS = {
    "Comments": "岚铃声卡测试仪", "CompanyName": "Tivrel", "FileDescription": "Tivrel",
    "ProductName": "Tivrel Build0730", "FileVersion": "0.00.0730", "ProductVersion": "0.00.0730",
    "InternalName": "Tivrel", "OriginalFilename": "Tivrel.exe",
}
RT_ICON, RT_BITMAP, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 2, 14, 16, 24


class Problems(list):
    def expect(self, ok, message):
        if not ok:
            self.append(message)
        return ok


def dib_shape(dib):
    """(width, height, bpp, expected size) of an icon image's DIB."""
    size, w, h2, _, bpp = struct.unpack_from("<IiiHH", dib)
    colours = (1 << bpp) if bpp <= 8 else 0
    xor = (w * bpp + 31) // 32 * 4 * (h2 // 2)
    mask = (w + 31) // 32 * 4 * (h2 // 2)
    return w, h2 // 2, bpp, size + 4 * colours + xor + mask


def read_ico(data):
    """[(entry width, entry height, colours, bpp, dib)] of an .ico file."""
    reserved, kind, count = struct.unpack_from("<HHH", data)
    if (reserved, kind) != (0, 1):
        raise ValueError("not an icon file")
    out = []
    for i in range(count):
        w, h, colours, _, _, bpp, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        if offset + size > len(data):
            raise ValueError("image %d runs past the end" % i)
        out.append((w or 256, h or 256, colours, bpp, data[offset:offset + size]))
    return out


def check_icon(problems, name, data, expected):
    images = read_ico(data)
    problems.expect(len(images) == len(expected), "%s: %d images, want %d" % (name, len(images), len(expected)))
    for i, ((w, h, colours, bpp, dib), want) in enumerate(zip(images, expected)):
        dw, dh, dbpp, dsize = dib_shape(dib)
        where = "%s image %d" % (name, i)
        problems.expect((w, h, bpp) == want, "%s: %dx%d %d-bit, want %dx%d %d-bit" % ((where, w, h, bpp) + want))
        problems.expect((dw, dh, dbpp) == (w, h, bpp), "%s: bitmap header disagrees with directory" % where)
        problems.expect(dsize == len(dib), "%s: %d bytes, layout needs %d" % (where, len(dib), dsize))
        problems.expect(colours == ((1 << bpp) if bpp < 8 else 0), "%s: colour count %d" % (where, colours))
    return images


def load(root, name):
    """A file of resources/images, or of resources/ itself for the .png."""
    with open(os.path.join(root, name if name == "tivrel.png" else os.path.join("images", name)), "rb") as f:
        return f.read()


def check_images(root):
    problems = Problems()

    def read(name):
        return load(root, name)

    icons = {name: check_icon(problems, name, read(name), want) for name, want in ICONS.items()}
    problems.expect(icons["test16.ico"][0][4] != icons["exit16.ico"][0][4], "Test and Exit icons are the same")
    problems.expect(icons["readme.ico"][0][4] != icons["main.ico"][0][4], "read-me icon equals the main icon")

    for name, (w, h) in FACES.items():
        data = read(name)
        magic, offset = data[:2], struct.unpack_from("<I", data, 10)[0]
        _, bw, bh, _, bpp, compression = struct.unpack_from("<IiiHHI", data, 14)
        problems.expect(magic == b"BM" and (bw, bh, bpp, compression) == (w, h, 24, 0),
                        "%s: %dx%d %d-bit, want %dx%d 24-bit" % (name, bw, bh, bpp, w, h))
        stride = (w * 3 + 3) // 4 * 4
        problems.expect(len(data) >= offset + stride * h, "%s: pixel data cut short" % name)
        # The face must not vanish under its white mask: its middle is drawn.
        mid = offset + stride * (h // 2) + 3 * (w // 2)
        problems.expect(data[mid:mid + 3] != b"\xff\xff\xff", "%s: centre is the mask colour" % name)

    png = read("tivrel.png")
    w, h = struct.unpack_from(">II", png, 16)
    problems.expect(png[:8] == b"\x89PNG\r\n\x1a\n" and (w, h) in ((256, 256), (64, 64)),
                    "tivrel.png: %dx%d, want 256x256 or 64x64" % (w, h))

    # The hand-made application icon: group 1 names image 30001, which is the
    # one image of main.ico.
    image, group = read("main_30001.bin"), read("main_group1.bin")
    problems.expect(image == icons["main.ico"][0][4], "main_30001.bin differs from main.ico")
    problems.expect(len(group) == 20, "main_group1.bin: %d bytes, want 20" % len(group))
    if len(group) == 20:
        head = struct.unpack_from("<HHH", group)
        w, h, colours, _, planes, bpp, size, image_id = struct.unpack_from("<BBBBHHIH", group, 6)
        problems.expect(head == (0, 1, 1), "main_group1.bin: header %r" % (head,))
        problems.expect((w, h, colours, planes, bpp) == (32, 32, 16, 1, 4), "main_group1.bin: not 32x32x4")
        problems.expect(size == len(image), "main_group1.bin: size %d, image has %d" % (size, len(image)))
        problems.expect(image_id == 30001, "group 1 names image %d, want 30001" % image_id)
    return problems


def read_res(data):
    """{(type, name): (language, data)} of a .res file; ids only."""
    def ident(pos):
        if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
            return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
        end = pos
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[pos:end].decode("utf-16-le"), end + 2

    out, pos = {}, 0
    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        kind, p = ident(pos + 8)
        name, p = ident(p)
        p = (p + 3) & ~3
        language = struct.unpack_from("<H", data, p + 6)[0]
        body = data[pos + header:pos + header + size]
        if size:
            out[(kind, name)] = (language, body)
        pos = (pos + header + size + 3) & ~3
    return out


def read_version(data, pos=0):
    """(key, value, children) of a VS_VERSIONINFO node; text values decoded."""
    length, value_len, text = struct.unpack_from("<HHH", data, pos)
    end = pos + 6
    while data[end:end + 2] != b"\0\0":
        end += 2
    key = data[pos + 6:end].decode("utf-16-le")
    p = (end + 2 + 3) & ~3
    size = value_len * (2 if text else 1)
    value = data[p:p + size].decode("utf-16-le") if text else data[p:p + size]
    p = (p + size + 3) & ~3
    children = []
    while p < pos + length:
        child = read_version(data, p)
        children.append(child[:3])
        p = (child[3] + 3) & ~3
    return key, value, children, pos + length


def check_res(path, root):
    problems = Problems()
    with open(path, "rb") as f:
        res = read_res(f.read())

    def get(kind, name):
        entry = res.get((kind, name))
        problems.expect(entry is not None, "resource type %d id %d is missing" % (kind, name))
        return entry[1] if entry else b""

    for group_id, ico in GROUPS.items():
        group = get(RT_GROUP_ICON, group_id)
        if len(group) < 6:
            continue
        count = struct.unpack_from("<H", group, 4)[0]
        ids = [struct.unpack_from("<H", group, 6 + 14 * i + 12)[0] for i in range(count)]
        want = [image[4] for image in read_ico(load(root, ico))]
        problems.expect([get(RT_ICON, i) for i in ids] == want, "group %d does not hold %s" % (group_id, ico))
        if group_id == 1:
            problems.expect(ids == [30001], "group 1 names images %r, want [30001]" % ids)
    for bitmap_id, name in BITMAPS.items():
        problems.expect(get(RT_BITMAP, bitmap_id) == load(root, name)[14:], "bitmap %d is not %s" % (bitmap_id, name))
    problems.expect(b"Microsoft.Windows.Common-Controls" in get(RT_MANIFEST, 1), "manifest lacks common controls")

    version = get(RT_VERSION, 1)
    if version:
        key, fixed, children, _ = read_version(version)
        sig, _, file_ms, file_ls, prod_ms, prod_ls = struct.unpack_from("<IIIIII", fixed)
        file_os, file_type = struct.unpack_from("<II", fixed, 32)
        problems.expect((sig, file_ms, file_ls, prod_ms, prod_ls) == (0xFEEF04BD, 0, 730, 0, 730),
                        "fixed version is not 0.0.0.730")
        problems.expect((file_os, file_type) == (4, 1), "not an application for 32-bit Windows")
        nodes = {k: c for k, _, c in children}
        blocks = {k: c for k, _, c in nodes.get("StringFileInfo", [])}
        strings = {k: v for k, v, _ in blocks.get("080404B0", [])}
        for name, value in VERSION_STRINGS.items():
            problems.expect(strings.get(name) == value + "\0", "%s is %r, want %r" % (name, strings.get(name), value))
        for name in ("LegalCopyright", "LegalTrademarks"):
            problems.expect(len(strings.get(name, "")) > 1, "%s is empty" % name)
        translation = [v for k, v, _ in nodes.get("VarFileInfo", []) if k == "Translation"]
        problems.expect(translation == [struct.pack("<HH", 0x0804, 1200)], "Translation is not 0x0804, 1200")
    return problems


def main(argv):
    root, res = HERE, None
    args = list(argv[1:])
    while args:
        option = args.pop(0)
        if option in ("--root", "--res") and args:
            value = args.pop(0)
            if option == "--root":
                root = value
            else:
                res = value
        else:
            print(__doc__)
            return 2
    problems = check_images(root)
    if res:
        problems += check_res(res, root)
    for problem in problems:
        print("FAIL", problem)
    print("images%s: %s" % (" and " + res if res else "", "ok" if not problems else "%d problems" % len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
