#!/usr/bin/env bash
# Makes the Debian package and the Windows zip from built trees and checks
# what a user gets:
#   scripts/check-packages.sh [linux-build] [win32-build]   (build/linux, build/win32)
# The packages are left in build/packages/.
set -euo pipefail
cd "$(dirname "$0")/.."
linux=$(realpath "${1:-build/linux}")
win32=$(realpath "${2:-build/win32}")
out=$PWD/build/packages
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
fail() {
  echo "check-packages: $*"
  status=1
}
# Runs a check quietly; shows its output only when it fails.
quiet() {
  local log=$scratch/log
  if ! "$@" >"$log" 2>&1; then
    cat "$log"
    fail "failed: $*"
  fi
}

quiet desktop-file-validate resources/tivrel.desktop
# Not a note beyond the one on the developer tag of the other AppStream
# version (0.16 on Debian 12 knows no developer block, 1.0 on 13 calls
# developer_name old): the metainfo carries both, for both releases' centres.
notes=$(appstreamcli validate --no-net --pedantic resources/packaging/*.metainfo.xml 2>&1 |
  grep -E '^[IWE]: ' | grep -vE ': (unknown-tag developer|developer-name-tag-deprecated)$' || true)
[ -z "$notes" ] || fail "appstreamcli validate: $notes"
quiet python3 resources/gen_icons.py --check

# ---- the Debian package
rm -f "$out"/tivrel_*.deb
quiet cpack --config "$linux/CPackConfig.cmake" -G DEB -B "$out"
rm -rf "$out/_CPack_Packages"
debs=("$out"/tivrel_*.deb)
deb=${debs[0]}
if [ ! -f "$deb" ]; then
  fail "no .deb in $out"
else
  echo "$(basename "$deb"): $(du -k "$deb" | cut -f1) KiB"
  lintian_log=$scratch/lintian
  if ! lintian -I --fail-on error --tag-display-limit 0 "$deb" >"$lintian_log" 2>&1; then
    fail "lintian found errors"
  fi
  grep -v 'running with root privileges' "$lintian_log" | sed 's/^/  lintian: /' || true
  # Debian's hardening flags: stack protector, fortified functions, relro, bindnow, PIE;
  # and, as lintian cannot tell a program built without them from one with
  # nothing to fortify, every packaged source compiled with them.
  if grep -q 'hardening-' "$lintian_log"; then
    fail "lintian finds programs built without Debian's hardening flags"
  fi
  unhardened=$(python3 -c '
import json, sys
for e in json.load(open(sys.argv[1])):
    if "/src/" in e["file"] and not all(f in e["command"] for f in ("-D_FORTIFY_SOURCE=2", "-fstack-protector-strong")):
        print(e["file"])' "$linux/compile_commands.json")
  [ -z "$unhardened" ] || fail "compiled without Debian's hardening flags: $unhardened"

  # Two packings of one build are the same bytes: dated by the commit, not the clock.
  sleep 1.1
  quiet cpack --config "$linux/CPackConfig.cmake" -G DEB -B "$scratch/again"
  cmp -s "$deb" "$scratch/again/$(basename "$deb")" || fail "a second packing gives other bytes"

  for field in Section:sound Priority:optional Homepage:https://example.com/tivrel; do
    [ "$(dpkg-deb -f "$deb" "${field%%:*}")" = "${field#*:}" ] || fail "${field%%:*} is not ${field#*:}"
  done
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "  Depends: $depends"
  for lib in libasound2 libqt6widgets6 libc6 libkissfft-float131; do
    grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib"
  done
  # A Chinese face, or every text of the window is empty boxes.
  grep -q 'fonts-noto-cjk | fonts-wqy-microhei' <<<"$depends" || fail "Depends names no Chinese font"

  root=$scratch/root
  dpkg-deb -x "$deb" "$root"
  version=$(dpkg-deb -f "$deb" Version)
  wanted=(
    usr/bin/tivrel usr/bin/tivrel-report usr/bin/tivrel-channels usr/bin/tivrel-loopback
    usr/share/applications/tivrel.desktop
    usr/share/icons/hicolor/scalable/apps/tivrel.svg
    usr/share/metainfo/com.example.tivrel.metainfo.xml
    usr/share/doc/tivrel/copyright usr/share/doc/tivrel/changelog.gz
    usr/share/doc/tivrel/tivrel-report.schema.json usr/share/doc/tivrel/tivrel-loopback.schema.json
  )
  for size in 16 32 48 64 128 256; do
    wanted+=("usr/share/icons/hicolor/${size}x$size/apps/tivrel.png")
  done
  for page in tivrel tivrel-report tivrel-channels tivrel-loopback; do
    wanted+=("usr/share/man/man1/$page.1.gz")
  done
  for f in "${wanted[@]}"; do
    [ -f "$root/$f" ] || fail "the package lacks /$f"
  done
  for exe in tivrel tivrel-report tivrel-channels tivrel-loopback; do
    file -b "$root/usr/bin/$exe" | grep -q ', stripped' || fail "/usr/bin/$exe is not stripped"
  done
  # tivrel answers --help and --version on a terminal without a display, and
  # refuses what it does not know.
  for option in --help --version; do
    if ! answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/tivrel" $option 2>&1); then
      fail "tivrel $option without a display failed: $answer"
    fi
  done
  grep -qF "$version" <<<"$answer" || fail "tivrel --version says '$answer', the package is $version"
  env -u DISPLAY "$root/usr/bin/tivrel" --bogus >/dev/null 2>&1 && bogus=0 || bogus=$?
  [ "$bogus" -eq 64 ] || fail "tivrel --bogus ended with $bogus, not 64"
  if reported=$("$root/usr/bin/tivrel-report" --version 2>&1); then
    grep -qF "${version}" <<<"$reported" || fail "tivrel-report --version says '$reported', the package is $version"
  else
    fail "the packaged tivrel-report --version failed: $reported"
  fi
  # The installed desktop entry and metadata, with the icon they name.
  quiet desktop-file-validate "$root/usr/share/applications/tivrel.desktop"
  quiet appstreamcli validate-tree --no-net "$root"
  # A new version comes with its changelog entry and its release line.
  newest=$(zcat "$root/usr/share/doc/tivrel/changelog.gz" | sed -n 1p)
  [[ $newest == "tivrel ($version) "* ]] || fail "the changelog's newest entry is not $version: $newest"
  metainfo=$root/usr/share/metainfo/com.example.tivrel.metainfo.xml
  grep -qF "<release version=\"$version\"" "$metainfo" || fail "the metainfo's newest release is not $version"
  for part in '<summary>' '<summary xml:lang="zh-CN">' '<screenshot type="default">' '<content_rating'; do
    grep -qF "$part" "$metainfo" || fail "the metainfo has no $part"
  done
fi

# ---- the Windows zip
rm -f "$out"/Tivrel-*.zip
quiet cpack --config "$win32/CPackConfig.cmake" -G ZIP -B "$out"
rm -rf "$out/_CPack_Packages"
zips=("$out"/Tivrel-*-win32.zip)
zip=${zips[0]}
if [ ! -f "$zip" ]; then
  fail "no win32 zip in $out"
else
  echo "$(basename "$zip"): $(du -k "$zip" | cut -f1) KiB"
  listed=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
  [ "$listed" = "README.txt Tivrel.exe tivrel-channels.exe tivrel-loopback.exe tivrel-report.exe " ] ||
    fail "the zip holds: $listed"
  unzip -q "$zip" -d "$scratch/zip"
  kind() { file -b "$scratch/zip/$1"; }
  kind Tivrel.exe | grep -q '^PE32 executable (GUI) Intel 80386' || fail "Tivrel.exe is $(kind Tivrel.exe)"
  for exe in tivrel-report.exe tivrel-channels.exe tivrel-loopback.exe; do
    kind $exe | grep -q '^PE32 executable (console) Intel 80386' || fail "$exe is $(kind $exe)"
  done
  for exe in Tivrel.exe tivrel-report.exe tivrel-channels.exe tivrel-loopback.exe; do
    kind $exe | grep -q stripped || fail "$exe carries its symbols"
  done
  readme=$scratch/zip/README.txt
  [ "$(head -c3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] || fail "README.txt has no UTF-8 byte order mark"
  iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null 2>&1 || fail "README.txt is not UTF-8"
fi

if [ $status -ne 0 ]; then
  echo "check-packages: FAILED"
  exit 1
fi
echo "check-packages: both packages good"
