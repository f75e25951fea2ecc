#!/usr/bin/env bash
# Installs the Debian packages the project needs. Idempotent: asks apt only
# when something is missing.
#   scripts/setup.sh run    what building and running the Linux program needs
#   scripts/setup.sh [all]  that, and everything the whole test command calls:
#                           both MinGW toolchains, 64- and 32-bit Wine, Xvfb
#                           and the X tools of the walks, the package checks
set -eu
mode=${1:-all}

# Build the linux preset (its unit tests included) and run tivrel.
run=(
  cmake ninja-build g++ pkg-config git python3
  libgtest-dev libasound2-dev nlohmann-json3-dev libkissfft-dev
  qt6-base-dev libxcb1-dev libpulse-dev
  fonts-noto-cjk qt6-translations-l10n
)
# The rest of scripts/test.sh, and the scripts beside it, by who calls them.
all=(
  clang-format                                           # format check
  clang libclang-rt-14-dev                               # fuzz targets (libFuzzer)
  googletest libbenchmark-dev                            # cross-built tests, benchmark
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  wine64 wine32:i386                                     # Windows tests, x86-64 and 32-bit
  xvfb xdotool x11-utils x11-apps xclip python3-xlib     # walks: xprop, xwd, the clipboard agents
  util-linux                                             # unshare, setpriv
  pulseaudio pulseaudio-utils                            # the tests' own sound server
  python3-jsonschema strace groff-base                   # tivrel-report's JSON and the files it opens, manual pages
  desktop-file-utils appstream lintian dpkg-dev unzip file   # package checks
  alsa-utils netpbm                                      # bench/report_bench.sh (aplay), docs/screenshots.py
)
case "$mode" in
  run) packages=("${run[@]}") ;;
  all) packages=("${run[@]}" "${all[@]}") ;;
  *)
    echo "usage: scripts/setup.sh [run|all]" >&2
    exit 64
    ;;
esac

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
update=""
if [ "$mode" = all ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  # The shipped Tivrel.exe is 32-bit: its tests run under Debian's 32-bit Wine.
  echo "adding the i386 architecture for wine32"
  $SUDO dpkg --add-architecture i386
  update=yes
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  update=yes
fi
if [ -n "$update" ]; then
  $SUDO apt-get update -q
fi
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
