#!/usr/bin/env python3
"""Tests of the image generator, the image check and the resource scripts.

    python3 tests/resources/test_resources.py     (from anywhere)

The resource-script cases compile resources/tivrel.rc with each MinGW windres
that is installed and skip the ones that are not; the rebuild cases need
CMake, Ninja and the build's compilers.
"""

import configparser
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ET
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
RESOURCES = os.path.join(ROOT, "resources")
sys.path.insert(0, RESOURCES)
sys.dont_write_bytecode = True  # keep resources/ free of __pycache__

import check_images  # noqa: E402
import gen_images  # noqa: E402

T = gen_images.TRANSPARENT


def design_image_ids():
    """The ImageId values the core names its images by."""
    with open(os.path.join(ROOT, "src", "framework", "design.h"), encoding="utf-8") as f:
        enum = re.search(r"enum class ImageId[^{]*\{(.*?)\};", f.read(), re.S).group(1)
    return {int(v) for v in re.findall(r"=\s*(\d+)", enum)} - {0}


def decode_dib(dib):
    """RGB pixels (None where the AND mask is set) of an icon DIB."""
    w, h, bpp, _ = check_images.dib_shape(dib)
    palette = [tuple(dib[40 + 4 * i:43 + 4 * i][::-1]) for i in range(1 << bpp)]
    bits_at = 40 + 4 * (1 << bpp)
    xor_stride, and_stride = (w * bpp + 31) // 32 * 4, (w + 31) // 32 * 4
    and_at = bits_at + xor_stride * h
    rows = []
    for y in range(h):
        xor_row = int.from_bytes(dib[bits_at + y * xor_stride:bits_at + (y + 1) * xor_stride], "big")
        and_row = int.from_bytes(dib[and_at + y * and_stride:and_at + (y + 1) * and_stride], "big")
        row = []
        for x in range(w):
            masked = and_row >> (and_stride * 8 - 1 - x) & 1
            index = xor_row >> (xor_stride * 8 - bpp * (x + 1)) & ((1 << bpp) - 1)
            row.append(None if masked else palette[index])
        rows.append(row)
    return rows[::-1]


class GeneratorTest(unittest.TestCase):
    def test_committed_images_are_the_generators_output(self):
        built = gen_images.build()
        committed = ["images/" + f for f in os.listdir(os.path.join(RESOURCES, "images"))] + ["tivrel.png"]
        self.assertEqual(sorted(built), sorted(committed))
        for name, data in built.items():
            with open(os.path.join(RESOURCES, name), "rb") as f:
                self.assertEqual(f.read(), data, name + " is stale: run resources/gen_images.py")

    def test_icon_bits_round_trip_at_every_depth_and_odd_width(self):
        g = gen_images
        for bpp, palette, (c1, c2) in ((1, [g.BLACK, g.WHITE], (g.WHITE, g.BLACK)),
                                       (4, g.VGA, (g.RED, g.NAVY)), (8, None, ((9, 8, 7), (200, 100, 50)))):
            img = [[c1, T, c2, c2, T], [T, c1, c1, T, c2], [c2, T, T, T, c1]]
            self.assertEqual(decode_dib(g.dib_for_icon(img, bpp, palette)), img, "%d-bit" % bpp)

    def test_too_many_colours_for_the_depth_is_refused(self):
        img = [[(i, i, i) for i in range(17)]]
        with self.assertRaises(ValueError):
            gen_images.dib_for_icon(img, 4)
        with self.assertRaises(KeyError):  # a colour the fixed palette lacks
            gen_images.dib_for_icon([[(1, 2, 3)]], 4, gen_images.VGA)

    def test_bitmap_rows_are_bottom_up_and_padded(self):
        img = [[(x, y, 7) for x in range(15)] for y in range(3)]
        data = gen_images.bmp_file(img)
        stride = 48  # 15 * 3 = 45, padded to 48
        self.assertEqual(len(data), 54 + 3 * stride)
        for y in range(3):
            row = data[54 + (2 - y) * stride:54 + (2 - y) * stride + 45]
            self.assertEqual([tuple(row[i:i + 3][::-1]) for i in range(0, 45, 3)], img[y])

    def test_png_keeps_transparency_and_scale(self):
        data = gen_images.png_file([[(1, 2, 3), T]], 2)
        raw = zlib.decompress(data[data.index(b"IDAT") + 4:data.index(b"IEND") - 8])
        self.assertEqual(struct.unpack_from(">II", data, 16), (4, 2))
        self.assertEqual(raw, (b"\0" + b"\1\2\3\xff" * 2 + b"\0\0\0\0" * 2) * 2)

    def test_faces_are_white_only_at_their_corners(self):
        # White is the faces' mask colour: anywhere else it would punch holes.
        faces = {"test": gen_images.draw_test_face(), "return": gen_images.draw_return_face()}
        built = gen_images.build()
        for name in ("about_face.bmp", "exit_face.bmp"):
            w, h = check_images.FACES[name]
            body = built["images/" + name][54:]
            stride = (w * 3 + 3) // 4 * 4
            faces[name] = [[tuple(body[y * stride + 3 * x:y * stride + 3 * x + 3]) for x in range(w)]
                           for y in range(h)]
        for name, face in faces.items():
            h = len(face)
            frame_w = h if name == "return" else len(face[0])
            for y, row in enumerate(face):
                for x, p in enumerate(row):
                    corner = x % frame_w in (0, frame_w - 1) and y in (0, h - 1)
                    if p == (255, 255, 255):
                        self.assertTrue(corner, "%s: white at %d,%d" % (name, x, y))


class CheckTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp()
        shutil.copytree(os.path.join(RESOURCES, "images"), os.path.join(self.dir, "images"))
        shutil.copy(os.path.join(RESOURCES, "tivrel.png"), self.dir)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def patch(self, name, offset, data):
        path = os.path.join(self.dir, "images", name)
        with open(path, "r+b") as f:
            f.seek(offset)
            f.write(data)

    def test_committed_images_pass(self):
        self.assertEqual(check_images.check_images(self.dir), [])

    def test_faults_are_reported(self):
        self.patch("main_group1.bin", 18, struct.pack("<H", 30002))   # group 1 names another image
        self.patch("exit16.ico", 6 + 6, struct.pack("<H", 4))         # directory claims 4 bits
        self.patch("about_face.bmp", 18, struct.pack("<i", 91))       # face one pixel wider
        problems = "\n".join(check_images.check_images(self.dir))
        self.assertIn("group 1 names image 30002", problems)
        self.assertIn("exit16.ico image 0", problems)
        self.assertIn("about_face.bmp", problems)


class ResourceScriptTest(unittest.TestCase):
    def compile(self, windres):
        if shutil.which(windres) is None:
            self.skipTest(windres + " is not installed")
        work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, work)
        out = os.path.join(work, "tivrel.res")
        # From another directory, with only src/ on the path: the script finds
        # its images beside itself.
        subprocess.run([windres, "-I", os.path.join(ROOT, "src"), os.path.join(RESOURCES, "tivrel.rc"),
                        "-O", "res", "-o", out], check=True, cwd=tempfile.gettempdir())
        return out

    def check_compiled(self, windres):
        res = self.compile(windres)
        self.assertEqual(check_images.check_res(res, RESOURCES), [])
        with open(res, "rb") as f:
            ids = {name for (kind, name) in check_images.read_res(f.read()) if kind in (2, 14)}
        # The main icon is loaded as group 1; every other image by its ImageId.
        self.assertIn(1, ids)
        self.assertLessEqual(design_image_ids() - {30001}, ids, "an ImageId has no resource")

    def test_x86_64_windres(self):
        self.check_compiled("x86_64-w64-mingw32-windres")

    def test_i686_windres(self):
        self.check_compiled("i686-w64-mingw32-windres")

    def test_windows_loads_every_resource(self):
        # The real loader under Wine: group 1, LoadImage by id, version API.
        wine = shutil.which("wine64") or shutil.which("/usr/lib/wine/wine64")
        gxx = shutil.which("x86_64-w64-mingw32-g++")
        if not (wine and gxx and shutil.which("x86_64-w64-mingw32-windres")):
            self.skipTest("needs wine64 and the x86-64 MinGW tools")
        work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, work)
        obj, exe = os.path.join(work, "tivrel_rc.o"), os.path.join(work, "check.exe")
        subprocess.run(["x86_64-w64-mingw32-windres", "-I", os.path.join(ROOT, "src"),
                        os.path.join(RESOURCES, "tivrel.rc"), "-O", "coff", "-o", obj], check=True)
        subprocess.run([gxx, "-municode", "-std=c++20", "-O1", "-static",
                        os.path.join(ROOT, "tests", "resources", "win32", "win32_images_check.cpp"), obj,
                        "-lversion", "-lgdi32", "-o", exe], check=True)
        env = dict(os.environ, WINEDEBUG="-all")
        run = subprocess.run([wine, exe], env=env, capture_output=True, text=True, timeout=300)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)


class QtAndDesktopTest(unittest.TestCase):
    def test_qrc_names_every_image_by_its_id(self):
        root = ET.parse(os.path.join(RESOURCES, "tivrel.qrc")).getroot()
        (resource,) = root.findall("qresource")
        self.assertEqual(resource.get("prefix"), "/tivrel")
        files = {f.get("alias") or f.text: f.text for f in resource.findall("file")}
        self.assertEqual(set(files), {str(i) for i in design_image_ids()} | {"tivrel.png"})
        for alias, path in files.items():
            self.assertTrue(os.path.isfile(os.path.join(RESOURCES, path)), path)
        self.assertEqual(files["30001"], "images/main.ico")
        self.assertEqual(files["30104"], "images/return_face.bmp")

    def test_desktop_entry(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(os.path.join(RESOURCES, "tivrel.desktop"), encoding="utf-8")
        d = entry["Desktop Entry"]
        self.assertEqual((d["Type"], d["Name"], d["Name[zh_CN]"]), ("Application", "岚铃声卡测试仪", "岚铃声卡测试仪"))
        self.assertEqual((d["GenericName"], d["Exec"], d["Icon"], d["Terminal"]),
                         ("Sound card tester", "tivrel", "tivrel", "false"))
        self.assertEqual(d["Categories"], "AudioVideo;Audio;")


class RebuildTest(unittest.TestCase):
    """Each input of the resources, changed, rebuilds them: a scratch copy of
    the sources is configured, built up to the resource, and its inputs
    touched one by one."""

    def configure(self, tools, *options):
        for tool in tools + ["cmake", "ninja"]:
            if shutil.which(tool) is None:
                self.skipTest(tool + " is not installed")
        work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, work)
        src, build = os.path.join(work, "src"), os.path.join(work, "b")
        # Links stay links: the test machines' sysfs links lead back to their parents.
        shutil.copytree(ROOT, src, symlinks=True, ignore=shutil.ignore_patterns(".git", "build", "__pycache__"))
        subprocess.run(["cmake", "-S", src, "-B", build, "-G", "Ninja", "-DTIVREL_TESTS=OFF", "-DTIVREL_BENCH=OFF"]
                       + [o.replace("@SRC@", src) for o in options], check=True, capture_output=True)
        targets = subprocess.run(["ninja", "-C", build, "-t", "targets", "all"], capture_output=True,
                                 text=True, check=True).stdout
        images = os.path.join(src, "resources", "images")
        return src, build, targets, sorted(os.path.join(images, f) for f in os.listdir(images))

    def assert_rebuilt_by_each(self, build, target, paths):
        output = os.path.join(build, target)

        def build_time():
            run = subprocess.run(["ninja", "-C", build, target], capture_output=True, text=True)
            self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
            return os.stat(output).st_mtime_ns

        built = build_time()
        self.assertEqual(build_time(), built, "rebuilt with nothing changed")
        for path in paths:
            time.sleep(0.05)  # past the output's time, whatever the file system's grain
            os.utime(path)
            rebuilt = build_time()
            self.assertGreater(rebuilt, built, os.path.basename(path) + " changed, yet not rebuilt")
            built = rebuilt

    def test_windows_resource_object(self):
        src, build, targets, images = self.configure(
            ["i686-w64-mingw32-windres", "i686-w64-mingw32-g++-posix"], "-DTIVREL_QT=OFF",
            "-DCMAKE_TOOLCHAIN_FILE=@SRC@/cmake/mingw-w64-i686.cmake")
        (res,) = re.findall(r"^(\S*tivrel\.rc\.res):", targets, re.M)
        version_h = os.path.join(src, "src", "app", "version.h")
        self.assert_rebuilt_by_each(build, res, [version_h, os.path.join(src, "resources", "tivrel.manifest")] + images)

        # One edit of version.h carries a new build number into the resource
        # and into CMake's project().
        with open(version_h, encoding="utf-8") as f:
            text = f.read()
        with open(version_h, "w", encoding="utf-8") as f:
            f.write(re.sub(r"(#define TIVREL_VERSION_BUILD) \d+", r"\1 12", text))
        subprocess.run(["ninja", "-C", build, res], check=True, capture_output=True)
        plain = os.path.join(build, "plain.res")
        subprocess.run(["i686-w64-mingw32-windres", "-J", "coff", "-i", os.path.join(build, res), "-O", "res",
                        "-o", plain], check=True)
        with open(plain, "rb") as f:
            version = check_images.read_res(f.read())[(check_images.RT_VERSION, 1)][1]
        _, fixed, children, _ = check_images.read_version(version)
        self.assertEqual(struct.unpack_from("<IIII", fixed, 8), (0, 12, 0, 12))
        blocks = {k: c for k, _, c in {k: c for k, _, c in children}["StringFileInfo"]}
        strings = {k: v for k, v, _ in blocks["080404B0"]}
        self.assertEqual((strings["ProductName"], strings["FileVersion"]), ("Tivrel Build0012\0", "0.00.0012\0"))
        with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as f:
            self.assertIn("CMAKE_PROJECT_VERSION:STATIC=0.0.0.12\n", f.read())

    def test_qt_resources(self):
        src, build, targets, _ = self.configure(["qmake6"])
        (qrc,) = re.findall(r"^([^/\s]\S*/qrc_tivrel\.cpp):", targets, re.M)
        resources = os.path.join(src, "resources")
        listed = [os.path.join(resources, f.text) for f in ET.parse(os.path.join(resources, "tivrel.qrc")).iter("file")]
        self.assert_rebuilt_by_each(build, qrc, [os.path.join(resources, "tivrel.qrc")] + listed)

if __name__ == "__main__":
    unittest.main()
