#!/usr/bin/env bash
# Inspects the shipped 32-bit Tivrel.exe of a build directory (this machine
# cannot run 32-bit code): a 32-bit GUI program for Intel 80386, importing
# known system DLLs only, with the version resource and the application icon.
#   scripts/check-win32.sh BUILD_DIR
#   scripts/check-win32.sh --imports-only EXE   the import check alone, any PE
#   scripts/check-win32.sh --no-core-audio EXE  that EXE links nothing of Core Audio
set -u
failures=0
ok() { printf '  ok    %s\n' "$*"; }
bad() { printf '  FAIL  %s\n' "$*"; failures=$((failures + 1)); }

# Windows' known DLLs, which the loader takes from the system folder only,
# and comctl32, which the manifest binds side by side. Any other DLL named in
# the import table is looked for beside the program first: a planted copy
# would run before any of our code does.
known_dlls=" kernel32.dll user32.dll gdi32.dll advapi32.dll comdlg32.dll ole32.dll oleaut32.dll"
known_dlls+=" shell32.dll shlwapi.dll imm32.dll msvcrt.dll ntdll.dll ws2_32.dll rpcrt4.dll"
known_dlls+=" psapi.dll sechost.dll combase.dll setupapi.dll comctl32.dll "

check_imports() {
  local tool headers="" imports dll before=$failures
  # Whichever objdump reads the file (32 or 64 bits).
  for tool in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump objdump; do
    command -v "$tool" >/dev/null && headers=$("$tool" -p "$1" 2>/dev/null) && break
  done
  imports=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' |
    tr 'A-Z' 'a-z' | sort -u)
  if [ -z "$imports" ]; then
    bad "imports: objdump found no import table"
  fi
  for dll in $imports; do
    case "$known_dlls" in
      *" $dll "*) ;;
      *) bad "imports: $dll is not a known system DLL; it would be looked for beside the program" ;;
    esac
  done
  [ "$failures" -eq "$before" ] && ok "imports: known system DLLs only: $(echo $imports)"
}

# Core Audio is tivrel-report's alone: the window program names none of its
# libraries or functions, so that none of it is linked in and nothing of ours
# loads it (waveform audio may load it for itself).
check_no_core_audio() {
  local found
  found=$(grep -a -o -i -E 'ole32|combase|mmdevapi|CoInitializeEx|CoCreateInstance' "$1" |
    sort -u | tr '\n' ' ')
  if [ -n "$found" ]; then
    bad "core audio: $(basename "$1") names ${found% }"
  else
    ok "core audio: $(basename "$1") names no Core Audio library or function"
  fi
}

if [ "${1:-}" = "--no-core-audio" ]; then
  echo "checking ${2:?usage: check-win32.sh --no-core-audio EXE} for Core Audio"
  check_no_core_audio "$2"
  [ "$failures" -eq 0 ]
  exit
fi

if [ "${1:-}" = "--imports-only" ]; then
  echo "checking the imports of ${2:?usage: check-win32.sh --imports-only EXE}"
  check_imports "$2"
  [ "$failures" -eq 0 ]
  exit
fi

build=${1:?usage: check-win32.sh BUILD_DIR}
exe=$(find "$build" -name Tivrel.exe -type f -not -path '*/CMakeFiles/*' 2>/dev/null | head -n 1)
if [ -z "$exe" ]; then
  echo "check-win32: no Tivrel.exe under $build" >&2
  exit 1
fi

echo "checking $exe"

kind=$(file -b "$exe")
case "$kind" in
  *"PE32 executable (GUI) Intel 80386"*) ok "file: $kind" ;;
  *) bad "file: expected a PE32 GUI executable for Intel 80386, got: $kind" ;;
esac

check_imports "$exe"
check_no_core_audio "$exe"

python3 - "$exe" <<'PY' || failures=$((failures + 1))
import struct, sys

path = sys.argv[1]
data = open(path, "rb").read()
problems = []

def fail(msg):
    problems.append(msg)
    print("  FAIL  " + msg)

def ok(msg):
    print("  ok    " + msg)

pe = struct.unpack_from("<I", data, 0x3C)[0]
if data[pe:pe + 4] != b"PE\0\0":
    print("  FAIL  not a PE file"); sys.exit(1)
machine, nsections, _, _, _, optsize, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
opt = pe + 24
magic = struct.unpack_from("<H", data, opt)[0]
if magic != 0x10B or machine != 0x14C:
    fail("header: magic %#x machine %#x, expected PE32 (0x10b) for i386 (0x14c)" % (magic, machine))
subsystem = struct.unpack_from("<H", data, opt + 68)[0]
if subsystem != 2:
    fail("header: subsystem %d, expected 2 (Windows GUI)" % subsystem)
datadir = opt + (96 if magic == 0x10B else 112)
res_rva, res_size = struct.unpack_from("<II", data, datadir + 2 * 8)
sections = []
for i in range(nsections):
    s = opt + optsize + 40 * i
    vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
    sections.append((va, max(vsize, rawsize), rawptr))

def offset(rva):
    for va, size, raw in sections:
        if va <= rva < va + size:
            return rva - va + raw
    raise ValueError("rva %#x outside every section" % rva)

if res_rva == 0:
    print("  FAIL  no resource section"); sys.exit(1)
base = offset(res_rva)

def entries(dir_off):
    named, ids = struct.unpack_from("<HH", data, dir_off + 12)
    for i in range(named + ids):
        name, target = struct.unpack_from("<II", data, dir_off + 16 + 8 * i)
        yield (None if name & 0x80000000 else name), target

def subdir(target):
    return base + (target & 0x7FFFFFFF) if target & 0x80000000 else None

def resources():
    """(type, id, language) -> bytes, for numbered resources."""
    found = {}
    for rtype, t1 in entries(base):
        d1 = subdir(t1)
        if rtype is None or d1 is None:
            continue
        for rid, t2 in entries(d1):
            d2 = subdir(t2)
            if rid is None or d2 is None:
                continue
            for lang, t3 in entries(d2):
                rva, size = struct.unpack_from("<II", data, base + t3)
                o = offset(rva)
                found[(rtype, rid, lang)] = data[o:o + size]
    return found

res = resources()

def first(rtype, rid):
    for (t, i, lang), blob in sorted(res.items()):
        if t == rtype and i == rid:
            return lang, blob
    return None, None

# Icon group 1 -> the single image 30001, 32x32 in 16 colours.
_, group = first(14, 1)
if group is None:
    fail("icon: no icon group 1")
else:
    _, gtype, count = struct.unpack_from("<HHH", group, 0)
    images = [struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i) for i in range(count)]
    ids = [img[7] for img in images]
    if ids != [30001]:
        fail("icon: group 1 holds images %s, expected [30001]" % ids)
    else:
        w, h, colours, _, _, bits, _, _ = images[0]
        if (w, h) != (32, 32) or not (colours == 16 or bits == 4):
            fail("icon: image 30001 is %dx%d, %d colours, %d bits" % (w, h, colours, bits))
        elif first(3, 30001)[1] is None:
            fail("icon: group 1 names image 30001, which is missing")
        else:
            ok("icon: group 1 -> image 30001, 32x32, 16 colours")

# The version resource.
lang, version = first(16, 1)
if version is None:
    fail("version: no version resource")
else:
    def node(off):
        length, vlen, vtype = struct.unpack_from("<HHH", version, off)
        end = version.index(b"\0\0", off + 6)
        while (end - off - 6) % 2:
            end = version.index(b"\0\0", end + 1)
        key = version[off + 6:end].decode("utf-16-le")
        value_off = (end + 2 + 3) & ~3
        return length, vlen, vtype, key, value_off

    def children(off, length, start):
        c = start
        while c < off + length:
            clen = struct.unpack_from("<H", version, c)[0]
            if clen == 0:
                break
            yield c
            c = (c + clen + 3) & ~3

    length, vlen, _, key, voff = node(0)
    sig, _, fv_ms, fv_ls, pv_ms, pv_ls = struct.unpack_from("<IIIIII", version, voff)
    fileos, filetype = struct.unpack_from("<II", version, voff + 32)
    fixed = lambda ms, ls: "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    if key != "VS_VERSION_INFO" or sig != 0xFEEF04BD:
        fail("version: no VS_VERSION_INFO with its fixed part")
    else:
        if fixed(fv_ms, fv_ls) != "0.0.0.730" or fixed(pv_ms, pv_ls) != "0.0.0.730":
            fail("version: fixed versions %s / %s" % (fixed(fv_ms, fv_ls), fixed(pv_ms, pv_ls)))
        if filetype != 1:
            fail("version: file type %d, expected 1 (application)" % filetype)
        strings = {}
        for c in children(0, length, (voff + vlen + 3) & ~3):
            clen, _, _, ckey, cval = node(c)
            if ckey != "StringFileInfo":
                continue
            for t in children(c, clen, cval):
                tlen, _, _, block, tval = node(t)
                for s in children(t, tlen, tval):
                    slen, svlen, _, skey, sval = node(s)
                    text = version[sval:sval + 2 * svlen].decode("utf-16-le").rstrip("\0")
                    strings[(block, skey)] = text
        expected = {
            "Comments": "岚铃声卡测试仪", "CompanyName": "Tivrel", "FileDescription": "Tivrel",
            "ProductName": "Tivrel Build0730", "FileVersion": "0.00.0730",
            "ProductVersion": "0.00.0730", "InternalName": "Tivrel",
            "OriginalFilename": "Tivrel.exe",
        }
        wrong = [(k, strings.get(("080404B0", k))) for k, v in expected.items()
                 if strings.get(("080404B0", k)) != v]
        if wrong:
            fail("version: block 080404B0 differs: %s" % wrong)
        else:
            ok("version: 0.0.0.730, block 080404B0 with %d strings, ProductName %r"
               % (len([k for k in strings if k[0] == "080404B0"]), strings[("080404B0", "ProductName")]))
sys.exit(1 if problems else 0)
PY

size=$(stat -c %s "$exe")
printf '  size  %s bytes (%s KiB)\n' "$size" $(( (size + 1023) / 1024 ))

if [ "$failures" -ne 0 ]; then
  echo "check-win32: $exe FAILED ($failures problem(s))"
  exit 1
fi
echo "check-win32: $exe passed"
