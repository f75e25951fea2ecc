#!/usr/bin/env bash
# Builds kissfft for the two MinGW-w64 toolchains from Debian's own source
# package of the running release, the same version and patches that
# libkissfft-dev holds, as a static library of kiss_fft.c and kiss_fftr.c:
#   /usr/local/lib/tivrel-mingw/<triplet>/{include/kissfft,lib}
# with a CMake package file that the toolchain files find. Called by
# scripts/setup.sh; does nothing when the installed build is of the version
# that Debian's source holds. Needs root (a deb-src entry, /usr/local).
set -eu
prefix=/usr/local/lib/tivrel-mingw
triplets=(x86_64-w64-mingw32 i686-w64-mingw32)

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
if [ -z "$codename" ]; then
  echo "build-kissfft-mingw.sh: /etc/os-release names no release" >&2
  exit 1
fi
# Debian's sources of this release, from the mirror its packages come from.
list=/etc/apt/sources.list.d/tivrel-debian-src.sources
if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -qx Sources; then
  cat >"$list" <<EOF
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $codename
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  apt-get update -q -o Dir::Etc::sourcelist=/dev/null -o Dir::Etc::sourceparts=/etc/apt/sources.list.d
fi
version=$(apt-cache showsrc kissfft | sed -n 's/^Version: //p' | sort -V | tail -n 1)
if [ -z "$version" ]; then
  echo "build-kissfft-mingw.sh: apt knows no source package kissfft" >&2
  exit 1
fi
built=yes
for t in "${triplets[@]}"; do
  [ "$(cat "$prefix/$t/VERSION" 2>/dev/null)" = "$version" ] || built=""
done
[ -n "$built" ] && exit 0

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # apt's _apt user fetches into it
(cd "$work" && apt-get source -q "kissfft=$version" >/dev/null)
src=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'kissfft-*' | head -n 1)
for t in "${triplets[@]}"; do
  out="$work/$t"
  mkdir -p "$out"
  # As Debian's build: float samples, optimised, no SIMD.
  for f in kiss_fft kiss_fftr; do
    "$t-gcc-posix" -O2 -Dkiss_fft_scalar=float -I"$src" -c "$src/$f.c" -o "$out/$f.o"
  done
  rm -rf "${prefix:?}/$t"
  mkdir -p "$prefix/$t/include/kissfft" "$prefix/$t/lib/cmake/kissfft"
  "$t-ar" rcs "$prefix/$t/lib/libkissfft-float.a" "$out/kiss_fft.o" "$out/kiss_fftr.o"
  cp "$src"/kiss_fft.h "$src"/kiss_fftr.h "$src"/_kiss_fft_guts.h "$src"/kiss_fft_log.h \
    "$prefix/$t/include/kissfft/"
  cp "$src/COPYING" "$prefix/$t/"
  cp -r "$src/LICENSES" "$prefix/$t/"
  cat >"$prefix/$t/lib/cmake/kissfft/kissfft-config.cmake" <<'EOF'
# kissfft built statically for MinGW-w64 by Tivrel's scripts/build-kissfft-mingw.sh.
get_filename_component(_kissfft_root "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)
if(NOT TARGET kissfft::kissfft-float)
  add_library(kissfft::kissfft-float STATIC IMPORTED)
  set_target_properties(kissfft::kissfft-float PROPERTIES
    IMPORTED_LOCATION "${_kissfft_root}/lib/libkissfft-float.a"
    INTERFACE_COMPILE_DEFINITIONS "kiss_fft_scalar=float"
    INTERFACE_INCLUDE_DIRECTORIES "${_kissfft_root}/include/kissfft")
endif()
set(kissfft_FOUND TRUE)
EOF
  echo "$version" >"$prefix/$t/VERSION"
done
echo "kissfft $version built for ${triplets[*]} under $prefix"
