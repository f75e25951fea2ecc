#!/usr/bin/env bash
# Installs the Debian packages the project needs, by the names of the Debian
# release it runs on (12 bookworm, 13 trixie). Idempotent: asks apt only
# when something is missing.
#   scripts/setup.sh run    what building and running the Linux program needs
#   scripts/setup.sh linux  that, and what the tests of the Linux builds call
#                           (scripts/test.sh format linux linux-asan)
#   scripts/setup.sh [all]  that, and everything the whole test command calls:
#                           both MinGW toolchains, 64- and 32-bit Wine, the
#                           fuzz targets' clang, the package checks
set -eu
mode=${1:-all}

# The names that differ between releases. An unknown release gets the
# names of the newest one known, and a warning.
release=unknown
if [ -r /etc/os-release ]; then
  # shellcheck disable=SC1091
  release=$(. /etc/os-release && echo "${ID:-}-${VERSION_ID:-}")
fi
case "$release" in
  debian-12) clang_rt=libclang-rt-14-dev ;;
  debian-13) clang_rt=libclang-rt-19-dev ;;
  *)
    echo "setup.sh: $release is not Debian 12 or 13; trying Debian 13's package names" >&2
    clang_rt=libclang-rt-dev
    ;;
esac

# Build the linux preset (its unit tests included) and run tivrel.
run=(
  cmake ninja-build g++ pkg-config git python3
  libgtest-dev libasound2-dev nlohmann-json3-dev libkissfft-dev
  qt6-base-dev libxcb1-dev libpulse-dev
  fonts-noto-cjk qt6-translations-l10n
)
# The tests of the Linux builds, by who calls them.
linux=(
  clang-format                                           # format check
  libbenchmark-dev                                       # benchmark
  xvfb xdotool x11-utils x11-apps xclip python3-xlib     # walks: xprop, xwd, the clipboard agents
  util-linux                                             # unshare, setpriv
  pulseaudio pulseaudio-utils                            # the tests' own sound server
  python3-jsonschema strace groff-base                   # tivrel-report's JSON and the files it opens, manual pages
)
# The rest of scripts/test.sh, and the scripts beside it.
all=(
  clang "$clang_rt"                                      # fuzz targets (libFuzzer)
  googletest                                             # cross-built tests
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  wine64 wine32:i386                                     # Windows tests, x86-64 and 32-bit
  desktop-file-utils appstream lintian dpkg-dev unzip file   # package checks
  alsa-utils netpbm                                      # bench/report_bench.sh (aplay), docs/screenshots.py
  time                                                   # bench/channels_bench.sh (peak memory)
  mmdebstrap ccache                                      # check-clean-install.sh, check-debian13.sh
)
case "$mode" in
  run) packages=("${run[@]}") ;;
  linux) packages=("${run[@]}" "${linux[@]}") ;;
  all) packages=("${run[@]}" "${linux[@]}" "${all[@]}") ;;
  *)
    echo "usage: scripts/setup.sh [run|linux|all]" >&2
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
# The Windows builds' FFT: kissfft from Debian's source package, built with
# both MinGW-w64 toolchains (nothing to do when it is there already).
if [ "$mode" = all ]; then
  $SUDO bash "$(dirname "$0")/build-kissfft-mingw.sh"
fi
