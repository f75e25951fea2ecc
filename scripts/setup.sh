#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent:
# asks apt only when something is missing.
set -eu
packages=(
  cmake ninja-build g++ pkg-config python3 clang-format git
  libgtest-dev googletest libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libasound2-dev libasound2-plugins alsa-utils
  nlohmann-json3-dev python3-jsonschema groff-base man-db
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  wine64 xvfb xauth xdotool x11-utils xclip
  fonts-noto-cjk file
  desktop-file-utils appstream lintian dpkg-dev unzip
  python3-xlib libxcb1-dev qt6-translations-l10n util-linux strace
  libpulse-dev pulseaudio pulseaudio-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
